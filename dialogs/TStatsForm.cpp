// SPDX-License-Identifier: GPL-3.0-or-later
#include "TStatsForm.h"

#include "DialogLook.h"
#include "Dialogs.h"
#include "GameSession.h"
#include "LocaleFormat.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace morrow {

namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 244;
constexpr int kFontHeight = 13;
constexpr int kNoteFontHeight = 11;
constexpr int kCountWidth = 10; // the counters' "%10.0n"

enum class Weight { Plain, Bold };

QLabel* MakeLabel(QWidget* parent, const QString& text, Weight weight) {
    auto* label = new QLabel(text, parent);
    QFont font = DialogFont(kFontHeight);
    font.setBold(weight == Weight::Bold);
    label->setFont(font);
    return label;
}

QLabel* Caption(QWidget* parent, const char* text, int left, int top, Weight weight = Weight::Plain) {
    QLabel* label = MakeLabel(parent, QString::fromLatin1(text), weight);
    label->adjustSize();
    label->move(left, top);
    return label;
}

// A value label sizes itself to its text and keeps its right edge where it is.
QLabel* Value(QWidget* parent, int right, int top, Weight weight) {
    QLabel* label = MakeLabel(parent, QString(), weight);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setProperty("rightEdge", right);
    label->move(right, top);
    return label;
}

void SetValue(QLabel& label, const QString& text) {
    label.setText(text);
    label.adjustSize();
    label.move(label.property("rightEdge").toInt() - label.width(), label.y());
}

} // namespace

GameStatistics ComputeStatistics(const SavedGame& game) {
    GameStatistics stats;
    const std::int64_t totalBets = game.TotalBets;
    stats.Payoffs = std::int64_t{game.Credits} - game.Borrowed + totalBets;
    stats.NormalPayoffs = stats.Payoffs - game.TricksWon;
    stats.NudgesEarned = std::int64_t{game.Nudges} + game.NudgesUsed;
    stats.PayoffPercentage =
        totalBets > 0 ? static_cast<double>(stats.Payoffs) / static_cast<double>(totalBets) * 100.0 : 0.0;
    return stats;
}

TStatsForm::TStatsForm(const SavedGame& game, const QLocale& locale, QWidget* parent)
    : QDialog(parent), locale_(locale) {
    setWindowTitle(QStringLiteral("Your Game Statistics"));
    setFont(DialogFont(kFontHeight));
    SetDialogFrame(*this, kClientWidth, kClientHeight);

    Label1 = Caption(this, "Spins:", 12, 14);
    Label2 = Caption(this, "Credits:", 12, 70);
    Label3 = Caption(this, "Borrowed:", 12, 126);
    Label26 = Caption(this, "Total Bets:", 340, 14);
    Label4 = Caption(this, "Payoffs:", 340, 46);
    Label21 = Caption(this, "Normal:", 364, 70);
    Label6 = Caption(this, "Trick or Treat:", 364, 94);
    Label5 = Caption(this, "Nudges:", 340, 126);
    Label10 = Caption(this, "Nudges Earned:", 364, 150);
    Label8 = Caption(this, "Nudges Used:", 364, 174);
    Label23 = Caption(this, "Overall Payoff Percentage:", 12, 198, Weight::Bold);

    Label11 = Value(this, 281, 14, Weight::Bold);
    Label12 = Value(this, 281, 70, Weight::Bold);
    Label13 = Value(this, 281, 126, Weight::Bold);
    Label27 = Value(this, 609, 14, Weight::Bold);
    Label14 = Value(this, 609, 46, Weight::Bold);
    Label22 = Value(this, 585, 70, Weight::Plain);
    Label16 = Value(this, 585, 94, Weight::Plain);
    Label7 = Value(this, 609, 126, Weight::Bold);
    Label15 = Value(this, 585, 150, Weight::Plain);
    Label9 = Value(this, 585, 174, Weight::Plain);
    Label25 = Value(this, 273, 198, Weight::Bold);
    QPalette red = Label25->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label25->setPalette(red);

    Label24 =
        new QLabel(QStringLiteral("(Does not include money won/lost on the double-or-nothing game)."), this);
    Label24->setFont(DialogFont(kNoteFontHeight));
    Label24->setWordWrap(true);
    Label24->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label24->setGeometry(16, 216, 465, 41);

    BitBtn1 = new QPushButton(GlyphIcon(ButtonGlyph::Ok), QStringLiteral("OK"), this);
    BitBtn1->setGeometry(528, 208, 89, 33);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(game);
    CentreOnScreen(*this);
}

void TStatsForm::FormCreate(const SavedGame& game) {
    const GameStatistics stats = ComputeStatistics(game);
    const auto count = [this](std::int64_t value) { return FormatThousands(value, kCountWidth, locale_); };
    SetValue(*Label11, count(game.Spins));
    SetValue(*Label12, count(game.Credits));
    SetValue(*Label13, count(game.Borrowed));
    SetValue(*Label14, count(stats.Payoffs));
    SetValue(*Label22, count(stats.NormalPayoffs));
    SetValue(*Label25, FormatFixed(stats.PayoffPercentage, 4, 2, locale_) + QLatin1Char('%'));
    SetValue(*Label27, count(game.TotalBets));
    SetValue(*Label7, count(game.Nudges));
    SetValue(*Label15, count(stats.NudgesEarned));
    SetValue(*Label9, count(game.NudgesUsed));
    SetValue(*Label16, count(game.TricksWon));
}

void RunStatsForm(QWidget* parent, const SavedGame& game) {
    TStatsForm form(game, QLocale(), parent);
    form.exec();
}

} // namespace morrow
