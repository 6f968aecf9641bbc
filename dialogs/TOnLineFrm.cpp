// SPDX-License-Identifier: GPL-3.0-or-later
#include "TOnLineFrm.h"

#include "DialogLook.h"
#include "Dialogs.h"
#include "GameSession.h"

#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace morrow {

namespace {

constexpr int kClientWidth = 427;
constexpr int kClientHeight = 240;

} // namespace

TOnLineFrm::TOnLineFrm(const GameSession& session, QProcessEnvironment environment, QWidget* parent)
    : QDialog(parent), GoToWeb1(std::move(environment)), session_(session) {
    const QString homePage = QString::fromLatin1(kHomePage);
    setWindowTitle(QStringLiteral("Nexorail on the Internet [%1]").arg(QUrl(homePage).host()));
    setFont(DialogFont(11));
    SetDialogFrame(*this, kClientWidth, kClientHeight);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(8, 8, 409, 161);
    Memo1->setFont(DialogFont(13));
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette face = Memo1->palette();
    face.setColor(QPalette::Base, palette().color(QPalette::Button));
    Memo1->setPalette(face);

    BitBtn2 = new QPushButton(GlyphIcon(ButtonGlyph::Globe), homePage, this);
    BitBtn2->setGeometry(112, 188, 305, 45);
    BitBtn2->setDefault(true);
    connect(BitBtn2, &QPushButton::clicked, this, &TOnLineFrm::BitBtn2Click);

    BitBtn3 = new QPushButton(GlyphIcon(ButtonGlyph::Cancel), QStringLiteral("Cancel"), this);
    BitBtn3->setGeometry(8, 188, 89, 45);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);

    GoToWeb1.Url = homePage;
    GoToWeb1.EMail = QString::fromLatin1(kMakerEMail);
    GoToWeb1.BrowserState = TBrowserState::gwMaximized;

    setTabOrder(BitBtn3, BitBtn2);
    FormCreate();
    CentreOnScreen(*this);
}

void TOnLineFrm::FormCreate() {
    Memo1->setPlainText(QStringLiteral("Visit our Internet site where you can download the latest version "
                                       "of any of our over 40 programs.\n"
                                       "\n"
                                       "Click the button below to visit our website or the \"Cancel\" "
                                       "button to quit without visiting the Nexorail Internet site. "));
}

void TOnLineFrm::BitBtn2Click() {
    GoToWeb1.Url = QString::fromLatin1(kHomePage);
    if (!GoToWeb1.LaunchBrowser()) {
        ShowInformation(this, session_, QStringLiteral("Not Able to Load your Web Browser"));
    }
    accept();
}

void RunOnLineFrm(QWidget* parent, const GameSession& session) {
    TOnLineFrm dialog(session, PlayerEnvironment(), parent);
    dialog.exec();
}

} // namespace morrow
