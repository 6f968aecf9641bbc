// SPDX-License-Identifier: GPL-3.0-or-later
#include "TLoadSave.h"

#include "DialogLook.h"
#include "HelpSystem.h"

#include <QEvent>
#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <string>

namespace morrow {

namespace {

constexpr int kClientWidth = 616;
constexpr int kClientHeight = 360;
constexpr int kFontHeight = 11;
constexpr int kPanelWidth = 289;
constexpr int kPanelHeight = 65;
constexpr int kPanelTops[] = {16, 88, 160, 232};
constexpr int kLeftColumn = 16;
constexpr int kRightColumn = 312;
constexpr int kNameLength = 255; // longest name the name box takes
constexpr char kTagProperty[] = "Tag";

// The buttons of slots 1 to 8, as the form names them.
constexpr const char* kSlotButtonNames[kSaveSlotCount] = {"OKBtn",   "BitBtn1", "BitBtn2", "BitBtn3",
                                                          "BitBtn4", "BitBtn5", "BitBtn6", "BitBtn7"};

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The panels' texts are in the plain face, under the dialog's bold one.
QFont PlainFont() {
    QFont font = DialogFont(kFontHeight);
    font.setBold(false);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QRect geometry, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(PlainFont());
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

// The standard input box: a title, no prompt, one line of up to 255
// characters holding `name`, OK and Cancel. Empty when cancelled.
std::optional<QString> AskSaveName(QWidget* parent, const QString& name) {
    QInputDialog box(parent);
    box.setObjectName(QStringLiteral("NameBox"));
    box.setWindowTitle(QStringLiteral("Name for this saved game?"));
    box.setLabelText(QString());
    box.setInputMode(QInputDialog::TextInput);
    if (auto* edit = box.findChild<QLineEdit*>()) {
        edit->setMaxLength(kNameLength);
    }
    box.setTextValue(name);
    if (box.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return box.textValue();
}

} // namespace

TLoadSave::TLoadSave(GameSession& session, const GameRecordFile& records, LoadSaveMode mode, QWidget* parent)
    : QDialog(parent), game_(session), options_(session), records_(records), mode_(mode) {
    setObjectName(QStringLiteral("LoadSave"));
    SetDialogFrame(*this, kClientWidth, kClientHeight);
    QFont bold = DialogFont(kFontHeight);
    bold.setBold(true);
    setFont(bold);
    SetHelpContext(*this, kSaveOpenContext);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 8, 617, 297);

    for (int n = 1; n <= kSaveSlotCount; ++n) {
        BuildSlotPanel(n);
    }

    HelpBtn = new QPushButton(GlyphIcon(ButtonGlyph::Help), QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setGeometry(8, 316, 97, 37);
    SetHelpContext(*HelpBtn, kSaveOpenContext);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { RequestHelp(*HelpBtn); });

    CancelBtn = new QPushButton(GlyphIcon(ButtonGlyph::Cancel), QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(508, 316, 97, 37);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TLoadSave::BuildSlotPanel(int n) {
    SlotPanel& slot = slots_[Index(n)];
    const int row = (n - 1) % 4;
    const int left = n <= 4 ? kLeftColumn : kRightColumn;
    const QString number = QString::number(n);

    slot.panel = new QFrame(this);
    slot.panel->setObjectName(QStringLiteral("Panel") + number);
    slot.panel->setFrameShape(QFrame::Panel);
    slot.panel->setFrameShadow(QFrame::Raised);
    slot.panel->setGeometry(left, kPanelTops[row], kPanelWidth, kPanelHeight);

    slot.name = new QLineEdit(slot.panel);
    slot.name->setObjectName(QStringLiteral("Name") + number);
    slot.name->setFont(PlainFont());
    slot.name->setFrame(false);
    QPalette flat = slot.name->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Button));
    slot.name->setPalette(flat);
    slot.name->setGeometry(8, 8, 233, 20);
    slot.name->installEventFilter(this);

    const std::string title = "Game" + std::to_string(n);
    const std::string date = "date" + std::to_string(n);
    const std::string credits = "credits" + std::to_string(n);
    const std::string borrowed = "borrowed" + std::to_string(n);
    slot.title = MakeLabel(slot.panel, title.c_str(), QRect(8, 28, 129, 13), Qt::AlignLeft);
    slot.date = MakeLabel(slot.panel, date.c_str(), QRect(168, 28, 57, 13), Qt::AlignRight);
    slot.credits = MakeLabel(slot.panel, credits.c_str(), QRect(8, 48, 105, 13), Qt::AlignLeft);
    slot.borrowed = MakeLabel(slot.panel, borrowed.c_str(), QRect(112, 48, 113, 13), Qt::AlignRight);

    slot.button = new QPushButton(GlyphIcon(ButtonGlyph::Ok), QStringLiteral("OK"), slot.panel);
    slot.button->setObjectName(QString::fromLatin1(kSlotButtonNames[Index(n)]));
    slot.button->setGeometry(232, 16, 49, 37);
    slot.button->setProperty(kTagProperty, n);
    QPushButton* button = slot.button;
    connect(button, &QPushButton::clicked, this, [this, button] { BitBtn7Click(*button); });
}

std::optional<RecordWriteError> TLoadSave::ParkGameInPlay() {
    const std::string today = records_.TodayText();
    if (auto error = records_.WriteGameRecord(game_, kCurrentGameSlot, kCurrentGameName)) {
        return error;
    }
    parked_ = game_;
    parked_.GameName = std::string(kCurrentGameName);
    parked_.GameDate = today;
    return std::nullopt;
}

std::optional<RecordWriteError> TLoadSave::FormCreate() {
    if (auto error = ParkGameInPlay()) {
        return error;
    }
    created_ = true;
    setWindowTitle(mode_ == LoadSaveMode::Save ? QStringLiteral("Save a Game -- Select Game Slot")
                                               : QStringLiteral("Open a Game -- Select Game Slot"));
    // The slots are read into a scratch record, so the window behind keeps
    // showing the game in play.
    for (int n = 1; n <= kSaveSlotCount; ++n) {
        SavedGame saved;
        records_.ReadGameRecord(saved, n - 1);
        const SlotPanel& slot = slots_[Index(n)];
        slot.name->setText(FromUtf8(saved.GameName));
        slot.date->setText(FromUtf8(saved.GameDate));
        slot.credits->setText(QString::number(saved.Credits) + QStringLiteral(" Credits"));
        slot.borrowed->setText(QString::number(saved.Borrowed) + QStringLiteral(" Borrowed"));
        slot.title->setText(FromUtf8(options_.GameTitle));
    }
    return std::nullopt;
}

void TLoadSave::BitBtn7Click(const QPushButton& sender) {
    const int n = sender.property(kTagProperty).toInt();
    if (n < 1 || n > kSaveSlotCount || closed_) {
        return;
    }
    chosenSlot_ = n;
    if (mode_ == LoadSaveMode::Save) {
        if (const auto name = AskSaveName(this, NameEdit(n)->text())) {
            game_ = parked_; // the game in play comes back
            writeError_ = records_.WriteGameRecord(game_, n - 1, name->toStdString());
        }
    } else {
        records_.ReadGameRecord(game_, n - 1);
        // When "CurrentGame" cannot take the opened game, the close gives the
        // game in play back, as the file still holds it.
        writeError_ = ParkGameInPlay();
    }
    accept();
}

void TLoadSave::FormClose() {
    if (created_) {
        game_ = parked_;
    }
}

void TLoadSave::done(int result) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

// Enter in a slot's name edit chooses that slot.
bool TLoadSave::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (const SlotPanel& slot : slots_) {
                if (watched == slot.name) {
                    slot.button->click();
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

LoadSaveOutcome RunLoadSaveDialog(QWidget* parent, GameSession& session, const GameRecordFile& records,
                                  LoadSaveMode mode) {
    LoadSaveOutcome outcome;
    outcome.mode = mode;
    // On the heap and watched: should the window behind go while the dialog
    // is up, it takes the dialog with it.
    QPointer<TLoadSave> dialog = new TLoadSave(session, records, mode, parent);
    if (auto error = dialog->FormCreate()) {
        delete dialog;
        outcome.end = LoadSaveEnd::NotOpened;
        outcome.error = std::move(error);
        return outcome;
    }
    CentreOnScreen(*dialog);
    const int result = dialog->exec();
    if (!dialog) {
        return outcome;
    }
    outcome.end = result == QDialog::Accepted ? LoadSaveEnd::SlotChosen : LoadSaveEnd::Cancelled;
    outcome.slot = dialog->ChosenSlot();
    outcome.error = dialog->WriteError();
    delete dialog;
    return outcome;
}

} // namespace morrow
