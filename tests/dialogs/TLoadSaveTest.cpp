// SPDX-License-Identifier: GPL-3.0-or-later
// The save and open dialog driven through its real widgets on the offscreen
// screen, with the record file in a temporary directory and a fixed today.

#include "TLoadSave.h"

#include "engine/FakeGameHost.h"

#include "HelpSystem.h"
#include "HelpWindow.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <vector>

using namespace morrow;

namespace {

GameSession GameInPlay() {
    GameSession game;
    game.Credits = 1234;
    game.Borrowed = 2000;
    game.Spins = 77;
    game.TotalBets = 150;
    game.Nudges = 2;
    game.NudgesUsed = 5;
    game.TricksWon = 40;
    game.GameName = "whatever";
    game.GameDate = "01/01/90";
    game.GameTitle = "Morrowmas Slots";
    game.Bet = 2;
    game.ReelPos = {3, 4, 5};
    return game;
}

// The saved counters in the record's order.
QString Counters(const SavedGame& g) {
    QStringList counters;
    for (const SavedCounter& counter : kSavedCounters) {
        counters << QString::number(g.*counter.field);
    }
    return counters.join(QLatin1Char(' '));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Does `action` to the first modal window of type T that shows, from a timer
// that also runs inside modal loops.
template <typename T> void WhenModal(std::function<void(T&)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(*window);
        }
    });
    poll->start(5);
}

enum class Leave { CancelButton, Escape, CloseBox, CancelledNameBox };

} // namespace

class TLoadSaveTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void leavingWithoutSavingKeepsTheGameInPlay_data();
    void leavingWithoutSavingKeepsTheGameInPlay();
    void savesTheNameFromTheBoxIntoSlot3_data();
    void savesTheNameFromTheBoxIntoSlot3();
    void openSlot6ContinuesAfterRestart();
    void listsTheSlotsAndAsksForHelp();
    void refusedWritesKeepTheGameInPlay();

private:
    LoadSaveOutcome Run(LoadSaveMode mode, std::function<void(TLoadSave&)> action) {
        WhenModal<TLoadSave>(std::move(action));
        QTimer::singleShot(10000, [] { // a watchdog, should a check leave a window open
            while (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        return RunLoadSaveDialog(nullptr, session_, *records_, mode);
    }
    GameSession Slot(int slot) const {
        GameSession game;
        records_->ReadGameRecord(game, slot);
        return game;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    test::FakeTimers clock_; // Halloween 1998
    std::unique_ptr<GameRecordFile> records_;
    GameSession session_;
};

void TLoadSaveTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath(QStringLiteral("Morrow.ini"));
    records_ = std::make_unique<GameRecordFile>(path_.toStdString(), clock_, "/");
    session_ = GameInPlay();
}

void TLoadSaveTest::leavingWithoutSavingKeepsTheGameInPlay_data() {
    QTest::addColumn<Leave>("leave");
    QTest::newRow("Cancel button") << Leave::CancelButton;
    QTest::newRow("Escape") << Leave::Escape;
    QTest::newRow("close box") << Leave::CloseBox;
    QTest::newRow("name box cancelled") << Leave::CancelledNameBox;
}

// However the save dialog is left without saving, no slot changes,
// "CurrentGame" takes the game in play, and the game comes back with that
// name and today's date; the play fields are untouched.
void TLoadSaveTest::leavingWithoutSavingKeepsTheGameInPlay() {
    QFETCH(Leave, leave);
    GameSession other = GameInPlay();
    other.Credits = 5;
    QVERIFY(!records_->WriteGameRecord(other, 1, "second"));
    const QByteArray before = ReadAll(path_);

    const LoadSaveOutcome outcome = Run(LoadSaveMode::Save, [leave](TLoadSave& dialog) {
        if (leave == Leave::CancelButton) {
            dialog.CancelBtn->click();
        } else if (leave == Leave::Escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else if (leave == Leave::CloseBox) {
            dialog.close();
        } else {
            WhenModal<QInputDialog>([](QInputDialog& box) { box.reject(); });
            dialog.SlotButton(5)->click();
        }
    });
    QCOMPARE(outcome.end,
             leave == Leave::CancelledNameBox ? LoadSaveEnd::SlotChosen : LoadSaveEnd::Cancelled);
    QVERIFY2(!outcome.error, "a refused write was reported");
    const QByteArray after = ReadAll(path_);
    QVERIFY2(after.startsWith(before), "a saved slot changed");
    QVERIFY2(after.mid(before.size()).startsWith("[CurrentGame]\nGameName=CurrentGame\nGameDate=10/31/98\n"),
             after.constData());
    QCOMPARE(Counters(Slot(kCurrentGameSlot)), Counters(GameInPlay()));
    QCOMPARE(Counters(session_), Counters(GameInPlay()));
    QCOMPARE(session_.GameName + " " + session_.GameDate, std::string("CurrentGame 10/31/98"));
    QCOMPARE(session_.Bet, 2);
    QCOMPARE(session_.ReelPos[1], 4);
    QVERIFY(!outcome.RepaintNeeded());
}

void TLoadSaveTest::savesTheNameFromTheBoxIntoSlot3_data() {
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QString>("boxName");
    QTest::newRow("slot button") << false << QStringLiteral("Haunted hayride");
    QTest::newRow("Enter in Name3") << true << QStringLiteral("Haunted hayride");
    QTest::newRow("empty name") << false << QString();
}

// A name typed into Name3 comes up in the name box; the name confirmed there
// is stored with today's date and the game in play, and lists next time (an
// empty one as empty, not as the section's name).
void TLoadSaveTest::savesTheNameFromTheBoxIntoSlot3() {
    QFETCH(bool, byEnter);
    QFETCH(QString, boxName);
    QString boxTitle;
    QString boxText;
    const LoadSaveOutcome outcome = Run(LoadSaveMode::Save, [&](TLoadSave& dialog) {
        WhenModal<QInputDialog>([&](QInputDialog& box) {
            boxTitle = box.windowTitle();
            boxText = box.textValue();
            box.setTextValue(boxName);
            box.accept();
        });
        dialog.NameEdit(3)->selectAll();
        QTest::keyClicks(dialog.NameEdit(3), QStringLiteral("Haunted hayride"));
        if (byEnter) {
            QTest::keyClick(dialog.NameEdit(3), Qt::Key_Return);
        } else {
            dialog.SlotButton(3)->click();
        }
    });
    QCOMPARE(boxTitle, QStringLiteral("Name for this saved game?"));
    QCOMPARE(boxText, QStringLiteral("Haunted hayride"));
    QCOMPARE(outcome.end, LoadSaveEnd::SlotChosen);
    QCOMPARE(outcome.slot, 3);
    const GameSession saved = Slot(2);
    QCOMPARE(QString::fromStdString(saved.GameName), boxName);
    QCOMPARE(saved.GameDate, std::string("10/31/98"));
    QCOMPARE(Counters(saved), Counters(GameInPlay()));
    QCOMPARE(Counters(session_), Counters(GameInPlay()));
    QVERIFY2(!ReadAll(path_).contains("[GameNo1]"), "another slot was written");

    TLoadSave again(session_, *records_, LoadSaveMode::Open, {});
    QVERIFY(!again.FormCreate());
    QCOMPARE(again.NameEdit(3)->text(), boxName);
    QCOMPARE(again.DateLabel(3)->text(), QStringLiteral("10/31/98"));
    QCOMPARE(again.CreditsLabel(3)->text(), QStringLiteral("1234 Credits"));
    QCOMPARE(again.BorrowedLabel(3)->text(), QStringLiteral("2000 Borrowed"));
}

// Opening slot 6 makes it the game in play, in memory and in "CurrentGame",
// so the next start continues it; a name edited in open mode changes nothing.
void TLoadSaveTest::openSlot6ContinuesAfterRestart() {
    GameSession sixth = GameInPlay();
    sixth.Credits = -40;
    sixth.Borrowed = 9000;
    sixth.Nudges = 11;
    QVERIFY(!records_->WriteGameRecord(sixth, 5, "Slot six"));

    const LoadSaveOutcome outcome = Run(LoadSaveMode::Open, [](TLoadSave& dialog) {
        QTest::keyClicks(dialog.NameEdit(6), QStringLiteral(" renamed"));
        dialog.SlotButton(6)->click();
    });
    QCOMPARE(outcome.end, LoadSaveEnd::SlotChosen);
    QCOMPARE(outcome.slot, 6);
    QVERIFY(outcome.RepaintNeeded());
    QCOMPARE(Counters(session_), Counters(sixth));
    QCOMPARE(session_.GameName, std::string("CurrentGame"));
    QCOMPARE(session_.Bet, 2);
    QCOMPARE(Slot(5).GameName, std::string("Slot six"));

    GameSession nextStart;
    nextStart.Nudges = 3;
    records_->ReadGameRecord(nextStart, kCurrentGameSlot);
    QCOMPARE(Counters(nextStart), Counters(sixth));
}

// The listing of saved and unsaved slots, while the game in play stays as it
// is; the captions; help from the Help button and from F1 in a name edit,
// answered by the game's help system as in the game.
void TLoadSaveTest::listsTheSlotsAndAsksForHelp() {
    const std::string forty = "A name of forty characters for slot one!";
    QVERIFY(!records_->WriteGameRecord(GameInPlay(), 0, forty));
    QTemporaryDir cache;
    HelpSystem help(QStringLiteral(MORROW_PROGRAM_DIR "/Morrow.hlp"), cache.path());
    QStringList problems;
    help.SetProblemReporter([&problems](const QString& message) { problems << message; });
    help.ListenOn(*QCoreApplication::instance());
    const QUrl savingPage = help.TopicUrl(41008);
    QVERIFY2(!savingPage.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    std::vector<int> asked; // the context of each page shown
    const auto pageShown = [&help, &asked, savingPage] {
        if (help.Window() != nullptr && help.Window()->isVisible()) {
            asked.push_back(help.Window()->Browser()->source() == savingPage ? 41008 : -1);
            help.Window()->close();
        }
    };

    TLoadSave save(session_, *records_, LoadSaveMode::Save);
    QVERIFY(!save.FormCreate());
    QCOMPARE(save.windowTitle(), QStringLiteral("Save a Game -- Select Game Slot"));
    QCOMPARE(session_.GameName, std::string("whatever"));
    QCOMPARE(save.NameEdit(1)->text(), QString::fromStdString(forty.substr(0, 30)));
    QCOMPARE(save.NameEdit(5)->text(), QStringLiteral("GameNo5"));
    QCOMPARE(save.DateLabel(5)->text(), QStringLiteral("10/31/98"));
    QCOMPARE(save.CreditsLabel(5)->text(), QStringLiteral("1000 Credits"));
    QCOMPARE(save.BorrowedLabel(5)->text(), QStringLiteral("1000 Borrowed"));
    QCOMPARE(save.TitleLabel(8)->text(), QStringLiteral("Morrowmas Slots"));
    QCOMPARE(save.SlotButton(8)->objectName(), QStringLiteral("BitBtn7"));
    QCOMPARE(save.SlotButton(8)->mapTo(&save, QPoint(0, 0)), QPoint(312 + 232, 232 + 16));
    QCOMPARE(save.size(), QSize(616, 360));

    save.show();
    QVERIFY(QTest::qWaitForWindowExposed(&save));
    save.HelpBtn->click();
    pageShown();
    save.activateWindow();
    save.NameEdit(4)->setFocus();
    QTest::keyClick(save.NameEdit(4), Qt::Key_F1);
    pageShown();
    QCOMPARE(asked, (std::vector<int>{41008, 41008}));
    QCOMPARE(save.property("helpContext").toInt(), 41008);
    QCOMPARE(save.HelpBtn->property("helpContext").toInt(), 41008);
    save.reject();

    TLoadSave open(session_, *records_, LoadSaveMode::Open);
    QVERIFY(!open.FormCreate());
    QCOMPARE(open.windowTitle(), QStringLiteral("Open a Game -- Select Game Slot"));
}

// When the game in play cannot be parked the dialog never opens and nothing
// changes; when an opened slot cannot be written, the game in play stays.
void TLoadSaveTest::refusedWritesKeepTheGameInPlay() {
    QFile plain(dir_->filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const GameRecordFile blocked(dir_->filePath(QStringLiteral("plain/Morrow.ini")).toStdString(), clock_);
    // Shown, the dialog would wait for the watchdog and end as Cancelled.
    const LoadSaveOutcome refused = RunLoadSaveDialog(nullptr, session_, blocked, LoadSaveMode::Open);
    QCOMPARE(refused.end, LoadSaveEnd::NotOpened);
    QCOMPARE(QString::fromStdString(refused.error.value_or(RecordWriteError{}).message),
             QStringLiteral("Unable to write to Morrow.ini"));
    QVERIFY(!refused.RepaintNeeded());
    QCOMPARE(Counters(session_), Counters(GameInPlay()));
    QCOMPARE(session_.GameName + " " + session_.GameDate, std::string("whatever 01/01/90"));

    // A pipe put in the file's place once the dialog is up reads as no file
    // and cannot be written.
    QVERIFY(!records_->WriteGameRecord(GameSession{}, 5, "Slot six"));
    const LoadSaveOutcome opened = Run(LoadSaveMode::Open, [this](TLoadSave& dialog) {
        QFile::remove(path_);
        QCOMPARE(::mkfifo(path_.toLocal8Bit().constData(), 0600), 0);
        dialog.SlotButton(6)->click();
    });
    QCOMPARE(opened.end, LoadSaveEnd::SlotChosen);
    QCOMPARE(QString::fromStdString(opened.error.value_or(RecordWriteError{}).message),
             QStringLiteral("Unable to write to Morrow.ini"));
    QCOMPARE(Counters(session_), Counters(GameInPlay()));
}

QTEST_MAIN(TLoadSaveTest)
#include "TLoadSaveTest.moc"
