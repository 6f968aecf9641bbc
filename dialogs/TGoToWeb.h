// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the player's web browser on an address, and opening any address
// with the desktop's own opener.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace morrow {

// The maker's home page and mail address.
inline constexpr char kHomePage[] = "http://www.nexorail.example/";
inline constexpr char kMakerEMail[] = "info@nexorail.example";

// How the browser's window should come up. Desktops let the browser decide
// for itself, so this is kept as a wish only.
enum class TBrowserState { gwMaximized = 0, gwNormal = 1 };

// The game sets a few variables of its own environment for itself (how its
// frames reach the display). The programs it starts on the desktop are the
// player's, not the game's, and get the player's values of those variables.
//
// Notes the player's own value of `name`, or that there was none, before the
// game sets it for itself. Called at start, before any other thread runs.
void KeepPlayerValueOf(const char* name);

// The environment as it is now, with the player's own value back in every
// variable the game set for itself. It is taken now rather than copied whole
// at start: what Qt has taken out since, such as the launcher's start-up
// notice, was meant for the game and must not reach another program.
QProcessEnvironment PlayerEnvironment();

// Opens an address with the desktop's opener (xdg-open), which hands it to
// the program the desktop has for it: the browser, the mail program. The
// opener is started detached with `environment` and looked up in its PATH.
// True when it started. An empty address, or one that would read as an
// option (a leading "-"), starts nothing.
bool OpenWithDesktop(const QString& url, const QProcessEnvironment& environment);

// Starts the browser the desktop has registered for web addresses. The
// environment (PATH, HOME, the XDG directories, the desktop's name) is
// handed in, so a test can point it at a made-up desktop; the desktop's
// tools and the browser are run with that same environment.
class TGoToWeb {
public:
    explicit TGoToWeb(QProcessEnvironment environment = PlayerEnvironment());

    QString Url;   // the address to open
    QString EMail; // a mail address kept with the address; nothing reads it
    TBrowserState BrowserState = TBrowserState::gwMaximized;

    // The desktop entry of the web browser the desktop has registered
    // ("firefox-esr.desktop"), as the desktop itself tells it: xdg-settings,
    // which knows each desktop's own setting, or, where it cannot answer,
    // xdg-mime for the http scheme. Empty when the desktop has none, or
    // cannot say.
    std::optional<QString> FindBrowserCommand() const;

    // Opens the address through the desktop when it has a browser. True when
    // the opener was started.
    bool LaunchBrowser();

private:
    QProcessEnvironment environment_;
};

} // namespace morrow
