// SPDX-License-Identifier: GPL-3.0-or-later
// The invitation to visit the maker's web site, with the button that opens
// it in the player's browser.
#pragma once

#include "TGoToWeb.h"

#include <QDialog>
#include <QProcessEnvironment>

class QPlainTextEdit;
class QPushButton;

namespace morrow {

struct GameSession;

// "Nexorail on the Internet [host]". The address button starts the browser
// (or says it could not) and closes the window; Cancel just closes it.
class TOnLineFrm final : public QDialog {
    Q_OBJECT

public:
    // `environment` is the desktop the browser is asked of, and what the
    // desktop's tools and the browser are started with.
    TOnLineFrm(const GameSession& session, QProcessEnvironment environment, QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn2 = nullptr; // the home-page address
    QPushButton* BitBtn3 = nullptr; // Cancel
    TGoToWeb GoToWeb1;

private:
    void FormCreate();
    void BitBtn2Click();

    const GameSession& session_;
};

} // namespace morrow
