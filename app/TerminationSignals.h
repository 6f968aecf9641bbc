#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace morrow {

// A request to end the program from outside: SIGTERM (the session ending,
// `kill`), SIGHUP (the terminal going) and SIGINT (Ctrl+C in it). The game
// ends as if the player had closed the window, so the game in play is
// saved: any dialog open over the window is dismissed first, then the
// window is closed by `close`, which must not wait for anybody to answer.
class TerminationSignals final : public QObject {
public:
    // Catches the signals for as long as it lives; one at a time.
    TerminationSignals(QWidget& window, std::function<void()> close);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void OnSignal();
    void CloseWhenNoDialogIsOpen(int triesLeft);

    QPointer<QWidget> window_;
    std::function<void()> close_;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace morrow
