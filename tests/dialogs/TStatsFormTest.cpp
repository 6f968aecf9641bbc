// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window as the player reads it: the texts of its value
// labels, where they stand, and the figures behind them.

#include "TStatsForm.h"
#include "GameSession.h"

#include <QLabel>
#include <QTest>

#include <array>
#include <climits>

Q_DECLARE_METATYPE(morrow::SavedGame)

using morrow::SavedGame;
using morrow::TStatsForm;

namespace {

// A saved game from its counters in the record's order: Credits, Borrowed,
// Spins, TotalBets, Nudges, NudgesUsed, TricksWon.
SavedGame GameWith(const std::array<std::int32_t, morrow::kSavedCounters.size()>& counters) {
    SavedGame game;
    for (std::size_t k = 0; k < counters.size(); ++k) {
        game.*morrow::kSavedCounters[k].field = counters[k];
    }
    return game;
}

// Spins, Credits, Borrowed, Total Bets, Payoffs, Normal, Trick or Treat,
// Nudges, Nudges Earned, Nudges Used, percentage: trimmed as the eye reads them.
QStringList Shown(const TStatsForm& form) {
    QStringList texts;
    for (const QLabel* label :
         {form.Label11, form.Label12, form.Label13, form.Label27, form.Label14, form.Label22, form.Label16,
          form.Label7, form.Label15, form.Label9, form.Label25}) {
        texts << label->text().trimmed();
    }
    return texts;
}

} // namespace

class TStatsFormTest : public QObject {
    Q_OBJECT

private slots:
    // New game, the same after a loan, and a game that paid 1187 on 1250,
    // in the C locale and in one with other separators.
    void texts_data() {
        QTest::addColumn<SavedGame>("session");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        const SavedGame newGame = GameWith({1000, 1000, 0, 0, 3, 0, 0});
        const SavedGame afterLoan = GameWith({2000, 2000, 0, 0, 3, 0, 0});
        const SavedGame played = GameWith({937, 1000, 500, 1250, 1, 4, 50});
        const SavedGame big = GameWith({1000, 1000, 1234567, 0, 3, 0, 0});

        const QStringList newGameTexts{"0", "1,000", "1,000", "0", "0", "0", "0", "3", "3", "0", "0.00%"};
        QTest::newRow("new game") << newGame << c << newGameTexts;
        QStringList loanTexts = newGameTexts;
        loanTexts[1] = loanTexts[2] = QStringLiteral("2,000");
        QTest::newRow("borrowing changes no payoff figure") << afterLoan << c << loanTexts;
        QTest::newRow("1187 paid on 1250")
            << played << c
            << QStringList{"500", "937", "1,000", "1,250", "1,187", "1,137", "50", "1", "5", "4", "94.96%"};
        QTest::newRow("1187 paid on 1250, German separators")
            << played << german
            << QStringList{"500", "937", "1.000", "1.250", "1.187", "1.137", "50", "1", "5", "4", "94,96%"};
        QTest::newRow("millions") << big << c << QStringList{"1,234,567", "1,000", "1,000", "0", "0",    "0",
                                                             "0",         "3",     "3",     "0", "0.00%"};
    }
    void texts() {
        QFETCH(SavedGame, session);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        TStatsForm form(session, locale);
        QCOMPARE(Shown(form), expected);
        // "%10.0n": right-aligned in ten characters.
        QCOMPARE(form.Label12->text().size(), 10);
    }

    // Sums that leave the 32-bit range are shown as they are, not wrapped:
    // the extreme values a saved game may hold.
    void figuresIn64Bits() {
        const SavedGame session = GameWith({INT_MAX, INT_MIN, 0, INT_MAX, INT_MAX, INT_MAX, INT_MIN});
        const morrow::GameStatistics stats = morrow::ComputeStatistics(session);
        const std::int64_t payoffs = std::int64_t{INT_MAX} * 3 + 1;
        QCOMPARE(stats.Payoffs, payoffs);
        QCOMPARE(stats.NormalPayoffs, payoffs - INT_MIN);
        QCOMPARE(stats.NudgesEarned, std::int64_t{INT_MAX} * 2);
        QCOMPARE(stats.PayoffPercentage, static_cast<double>(payoffs) / INT_MAX * 100.0);

        TStatsForm form(session, QLocale::c());
        QCOMPARE(form.Label14->text(), QStringLiteral("6,442,450,942"));
        QCOMPARE(form.Label15->text(), QStringLiteral("4,294,967,294"));
        QCOMPARE(form.Label13->text(), QStringLiteral("-2,147,483,648"));
        // No bets, or a negative total from a damaged record: no division.
        QCOMPARE(morrow::ComputeStatistics(GameWith({5, 0, 0, -7, 0, 0, 0})).PayoffPercentage, 0.0);
    }

    // Value labels keep their right edges; the percentage is bold and red,
    // the sub-figures plain.
    void layout() {
        TStatsForm form(GameWith({1000, 1000, 1234567, 1250, 3, 0, 0}), QLocale::c());
        QCOMPARE(form.windowTitle(), QStringLiteral("Your Game Statistics"));
        QCOMPARE(form.size(), QSize(632, 244));
        QCOMPARE(form.Label11->geometry().right() + 1, 281);
        QCOMPARE(form.Label27->geometry().right() + 1, 609);
        QCOMPARE(form.Label22->geometry().right() + 1, 585);
        QCOMPARE(form.Label25->geometry().right() + 1, 273);
        QCOMPARE(form.Label11->y(), 14);
        QVERIFY2(form.Label14->font().bold() && !form.Label22->font().bold(),
                 "bold and plain values mixed up");
        QVERIFY2(form.Label25->font().bold(), "the percentage is not bold");
        QCOMPARE(form.Label25->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(form.Label24->text(),
                 QStringLiteral("(Does not include money won/lost on the double-or-nothing game)."));
    }
};

QTEST_MAIN(TStatsFormTest)
#include "TStatsFormTest.moc"
