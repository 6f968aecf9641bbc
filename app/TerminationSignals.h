// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace morrow {

// A request to end the program from outside: SIGTERM (the session ending,
// `kill`), SIGHUP (the terminal going), SIGINT (Ctrl+C in it), and the X11
// session manager telling the game to end at a logout. The game ends as if
// the player had closed the window, so the game in play is saved: any
// dialog open over the window is dismissed first, then the window is closed
// by `close`, which must not wait for anybody to answer.
//
// Before a logout, and whenever the desktop saves its session, the session
// manager asks first that the game be saved. The same dialogs are dismissed
// (a dialog may hold other games than the one in play), then `save` saves
// it; it must not wait for anybody either, since the logout waits for it.
// The game plays on: the logout may yet be cancelled. `save` also runs when a
// Wayland compositor goes before the game, which Qt answers by ending the
// program at once.
class TerminationSignals final : public QObject {
public:
    // Catches the signals and the session manager's requests for as long as
    // it lives; one at a time.
    TerminationSignals(QWidget& window, std::function<void()> close, std::function<void()> save);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Qt's commit request from the session manager (commitDataRequest).
    void CommitDataRequest();

protected:
    // The session manager's end arrives as a request to quit the
    // application, which Qt would answer with an ordinary close.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSignal();
    void WhenNoDialogIsOpen(int triesLeft, const std::function<void()>& then);

    QPointer<QWidget> window_;
    std::function<void()> close_;
    std::function<void()> save_;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace morrow
