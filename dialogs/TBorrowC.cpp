// SPDX-License-Identifier: GPL-3.0-or-later
#include "TBorrowC.h"

#include "ArtResources.h"
#include "CanvasScale.h"
#include "DialogLook.h"
#include "Dialogs.h"
#include "DigitCounter.h"
#include "GameEngine.h"
#include "GameSession.h"
#include "HelpSystem.h"
#include "LocaleFormat.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

namespace morrow {

namespace {

constexpr int kClientWidth = 582;
constexpr int kClientHeight = 300;
constexpr int kCounterTop = 40;
constexpr int kCaptionTop = 20;

constexpr const char* kChipPictures[] = {art::kChip1000, art::kChip100, art::kChip10, art::kChip1};
constexpr int kChipLefts[] = {89, 201, 313, 425};

} // namespace

TBorrowC::TBorrowC(GameEngine& engine, const GameSession& session, const DigitStrips& strips,
                   const QLocale& locale, QWidget* parent)
    : QDialog(parent), engine_(engine), session_(session), strips_(strips), locale_(locale) {
    setWindowTitle(QStringLiteral("Use this form to borrow or pay back credits"));
    setFont(DialogFont(13));
    SetDialogFrame(*this, kClientWidth, kClientHeight);
    SetHelpContext(*this, kMainWindowContext);

    std::array<QPushButton*, 4> chips{};
    for (std::size_t tag = 0; tag < chips.size(); ++tag) {
        auto* chip = new QPushButton(this);
        chip->setGeometry(kChipLefts[tag], 104, 80, 57);
        chip->setIcon(QIcon(QString::fromLatin1(kChipPictures[tag])));
        chip->setIconSize(QSize(66, 42));
        chip->setProperty("Tag", static_cast<int>(tag));
        chip->setAccessibleName(QStringLiteral("%1 credits").arg(kChipAmounts[tag]));
        SetHelpContext(*chip, kBorrowContext);
        connect(chip, &QPushButton::clicked, this, [this, chip] { BitBtn1Click(*chip); });
        chips[tag] = chip;
    }
    BitBtn1 = chips[0];
    BitBtn2 = chips[1];
    BitBtn3 = chips[2];
    BitBtn4 = chips[3];

    Label1 = new QLabel(QStringLiteral("Mode:"), this);
    Label1->setFont(DialogFont(19));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label1->setPalette(red);
    Label1->setGeometry(56, 192, 54, 24);

    RadioButton1 = new QRadioButton(QStringLiteral("Borrow Credits"), this);
    RadioButton1->setFont(DialogFont(16));
    RadioButton1->setGeometry(147, 192, 190, 33);
    RadioButton1->setChecked(true);
    SetHelpContext(*RadioButton1, kBorrowContext);
    RadioButton2 = new QRadioButton(QStringLiteral("Pay Back Credits"), this);
    RadioButton2->setFont(DialogFont(16));
    RadioButton2->setGeometry(355, 192, 190, 33);
    SetHelpContext(*RadioButton2, kBorrowContext);

    OKBtn = new QPushButton(GlyphIcon(ButtonGlyph::Ok), QStringLiteral("&OK"), this);
    OKBtn->setGeometry(442, 246, 127, 46);
    OKBtn->setDefault(true);
    SetHelpContext(*OKBtn, kBorrowContext);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    BitBtn7 = new QPushButton(GlyphIcon(ButtonGlyph::Help), QStringLiteral("&Help"), this);
    BitBtn7->setGeometry(10, 246, 127, 46);
    SetHelpContext(*BitBtn7, kBorrowContext);
    connect(BitBtn7, &QPushButton::clicked, this, &TBorrowC::BitBtn7Click);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, BitBtn4);
    setTabOrder(BitBtn4, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, OKBtn);
    setTabOrder(OKBtn, BitBtn7);

    // At 2 pixels per unit on high-resolution screens, so the counters and
    // captions are as sharp as the controls around them.
    canvas_ = NewScaledImage({kClientWidth, kClientHeight}, ArtScaleFor(devicePixelRatioF()));
    FormPaint();
    CentreOnScreen(*this);
}

void TBorrowC::BitBtn1Click(const QPushButton& sender) {
    const auto tag = static_cast<std::size_t>(sender.property("Tag").toInt());
    if (tag >= kChipAmounts.size()) {
        return;
    }
    const std::int32_t amount = kChipAmounts[tag];
    switch (RadioButton1->isChecked() ? engine_.Borrow(amount) : engine_.PayBack(amount)) {
    case LoanAnswer::Done:
        break;
    case LoanAnswer::TooMuchToBorrow:
        ShowInformation(this, session_, QStringLiteral("You cannot borrow that many more credits!"));
        return;
    case LoanAnswer::NotEnoughCredits:
        ShowInformation(this, session_,
                        QStringLiteral("You do not have ") + FormatFixed(amount, 7, 2, locale_) +
                            QStringLiteral(" credits!"));
        return;
    case LoanAnswer::MoreThanBorrowed:
        ShowInformation(this, session_,
                        QStringLiteral("You cannot pay back more credits than you have borrowed!"));
        return;
    }
    FormPaint();
}

void TBorrowC::BitBtn7Click() {
    // The game keeps the platform's line break; a message box breaks lines
    // at a plain newline.
    QString lineBreak = QString::fromStdString(session_.LineBreak);
    lineBreak.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (lineBreak.isEmpty()) {
        lineBreak = QStringLiteral("\n");
    }
    ShowInformation(this, session_,
                    QStringLiteral("Use this screen to borrow credits or pay back credits that you borrowed "
                                   "previously.  Click on the button representing the amount to borrow (or "
                                   "pay back).") +
                        lineBreak + lineBreak +
                        QStringLiteral("To switch between \"borrow\" and \"pay back\" select the mode."));
}

void TBorrowC::FormPaint() {
    // The window's own face and text colours, as the controls over it use.
    const QColor face = palette().color(QPalette::Window);
    canvas_.fill(face);
    {
        QPainter painter(&canvas_);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setBackground(face);
        painter.setBackgroundMode(Qt::OpaqueMode);
        const QFontMetrics metrics(font);
        const QString credits = QStringLiteral("Credits:");
        // The window's outer width: the client area when there is no frame.
        const int outerWidth = std::max(frameGeometry().width(), width());
        painter.drawText(outerWidth - metrics.horizontalAdvance(credits) - 35, kCaptionTop + metrics.ascent(),
                         credits);
        painter.drawText(20, kCaptionTop + metrics.ascent(), QStringLiteral("Borrowed:"));
    }
    DrawNumber(canvas_, strips_, session_.ScreenWidth, session_.Credits, width() - 30, kCounterTop,
               DigitInk::Red, DigitAlign::Right);
    DrawNumber(canvas_, strips_, session_.ScreenWidth, session_.Borrowed, 20, kCounterTop, DigitInk::Green,
               DigitAlign::Left);
    update();
}

void TBorrowC::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
}

void TBorrowC::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormPaint(); // the frame is known now
}

// There is no Cancel here: Escape does not close the dialog (OK and the
// window's close box do).
void TBorrowC::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RunBorrowDialog(QWidget* parent, GameEngine& engine, const GameSession& session,
                     const DigitStrips& strips) {
    TBorrowC dialog(engine, session, strips, QLocale(), parent);
    dialog.exec();
}

} // namespace morrow
