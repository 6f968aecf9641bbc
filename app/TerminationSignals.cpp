// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSemaphore>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <memory>
#include <utility>

namespace morrow {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGHUP, SIGINT};
// How often, and how far apart, a dialog that stays open is dismissed again
// before the window is closed regardless.
constexpr int kDialogTries = 40;
constexpr int kDialogRetryMilliseconds = 50;

// The writing end of the socket pair, for the signal handler.
std::atomic<int> gSignalFd{-1};

// Async-signal-safe: only writes one byte; the event loop does the rest.
extern "C" void NoteSignal(int) {
    const int fd = gSignalFd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

// When a Wayland session ends by its compositor going first, Qt's thread
// that reads from the compositor says so and ends the program at once. The
// game is saved first, on the GUI thread as always; should that thread not
// come round within a moment, the program ends unsaved as before.
constexpr int kSaveBeforeQtEndsMilliseconds = 2000;
std::function<void()> gSaveBeforeQtEnds;
QtMessageHandler gQtMessages = nullptr;

void NoteQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("The Wayland connection")) &&
        gSaveBeforeQtEnds) {
        const std::function<void()> save = std::exchange(gSaveBeforeQtEnds, nullptr);
        if (QThread::currentThread() == qApp->thread()) {
            save();
        } else {
            const auto saved = std::make_shared<QSemaphore>();
            QMetaObject::invokeMethod(
                qApp,
                [save, saved] {
                    save();
                    saved->release();
                },
                Qt::QueuedConnection);
            saved->tryAcquire(1, kSaveBeforeQtEndsMilliseconds);
        }
    }
    gQtMessages(type, context, message);
}

} // namespace

TerminationSignals::TerminationSignals(QWidget& window, std::function<void()> close,
                                       std::function<void()> save)
    : window_(&window), close_(std::move(close)), save_(std::move(save)) {
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TerminationSignals::CommitDataRequest,
            Qt::DirectConnection);
    qApp->installEventFilter(this);
    gSaveBeforeQtEnds = save_;
    gQtMessages = qInstallMessageHandler(&NoteQtMessage);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return; // the signals keep their default effect
    }
    gSignalFd.store(fds_[1]);
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::OnSignal);
    struct sigaction action {};
    action.sa_handler = &NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    qInstallMessageHandler(gQtMessages);
    gSaveBeforeQtEnds = nullptr;
    if (fds_[0] < 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
    gSignalFd.store(-1);
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TerminationSignals::OnSignal() {
    char bytes[16];
    while (::read(fds_[0], bytes, sizeof bytes) > 0) {
    }
    WhenNoDialogIsOpen(kDialogTries, close_);
}

void TerminationSignals::CommitDataRequest() {
    WhenNoDialogIsOpen(kDialogTries, save_);
}

bool TerminationSignals::eventFilter(QObject* watched, QEvent* event) {
    // Once the window has gone, the quit that follows ends the program.
    if (watched == qApp && event->type() == QEvent::Quit && window_ && window_->isVisible()) {
        WhenNoDialogIsOpen(kDialogTries, close_);
        return true;
    }
    return false;
}

// A dialog runs a message loop of its own inside the window's code; the
// window closes, or the game is saved, only once that code has returned.
void TerminationSignals::WhenNoDialogIsOpen(int triesLeft, const std::function<void()>& then) {
    if (!window_) {
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && triesLeft > 0) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        QTimer::singleShot(kDialogRetryMilliseconds, this,
                           [this, triesLeft, then] { WhenNoDialogIsOpen(triesLeft - 1, then); });
        return;
    }
    then();
}

} // namespace morrow
