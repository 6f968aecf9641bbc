// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameDialogs.h"

#include "ApplicationTitle.h"
#include "DialogLook.h"
#include "Dialogs.h"
#include "FieldCanvas.h"
#include "GameEngine.h"
#include "HelpSystem.h"
#include "TLoadSave.h"
#include "TTrickForm.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace morrow {

GameDialogs::GameDialogs(GameSession& session, PlayField& field, const GameRecordFile& records,
                         GameSounds& sounds, GameEngine& engine)
    : session_(session), field_(field), records_(records), sounds_(sounds), engine_(engine) {}

GameDialogs::~GameDialogs() = default;

void GameDialogs::OpenHelp(const QString& helpFile) {
    helpFile_ = helpFile;
    help_ = std::make_unique<HelpSystem>(helpFile_);
    help_->ListenOn(*QCoreApplication::instance());
}

QWidget* GameDialogs::Parent() const {
    return field_.View() ? field_.View()->window() : nullptr;
}

void GameDialogs::TakeFocusBack() {
    if (field_.View()) {
        field_.View()->TakeFocusBack();
    }
}

void GameDialogs::ShowProblem(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), QString::fromStdString(text),
                    QMessageBox::Ok, Parent());
    box.exec();
}

bool GameDialogs::ShowMusicError(const std::optional<std::string>& error) {
    if (!error) {
        return false;
    }
    ShowProblem(*error);
    TakeFocusBack();
    return true;
}

void GameDialogs::ShowInformation(std::string_view text) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(session_.GameTitle),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
                    Parent());
    box.exec();
    TakeFocusBack();
}

void GameDialogs::ShowError(const std::string& text) {
    morrow::ShowError(Parent(), session_, QString::fromStdString(text));
    TakeFocusBack();
}

// After Open Game the field shows the counters of the game opened.
void GameDialogs::RunLoadSave(LoadSaveMode mode) {
    const LoadSaveOutcome outcome = RunLoadSaveDialog(Parent(), session_, records_, mode);
    if (outcome.error) {
        morrow::ShowError(Parent(), session_, QString::fromStdString(outcome.error->message));
    }
    if (outcome.RepaintNeeded()) {
        field_.Repaint();
    }
    TakeFocusBack();
}

// The borrow dialog changes the counters, so the field is repainted after it.
void GameDialogs::RunBorrow() {
    RunBorrowDialog(Parent(), engine_, session_, field_.Strips());
    field_.Repaint();
    TakeFocusBack();
}

void GameDialogs::RunStats() {
    RunStatsForm(Parent(), session_);
    TakeFocusBack();
}

void GameDialogs::RunPaychart() {
    morrow::RunPaychart(Parent(), session_);
    TakeFocusBack();
}

void GameDialogs::RunOnLine() {
    RunOnLineFrm(Parent(), session_);
    TakeFocusBack();
}

void GameDialogs::RunBonusGame() {
    const auto random = [this](int n) { return engine_.Random(n); };
    // A bonus that comes up while the window closes is still played, unseen,
    // so the game that is kept holds its prize.
    if (session_.PicksBonusUnseen()) {
        PickPumpkinUnseen(session_, random);
        return;
    }
    RunTrickOrTreat(Parent(), session_,
                    {random, [this](int sound) { sounds_.PlayWinSound(sound, SoundWait::NoWait); },
                     [this] { sounds_.PlayTrickOrTreat(); }});
    TakeFocusBack();
}

} // namespace morrow
