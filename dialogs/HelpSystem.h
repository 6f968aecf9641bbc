// SPDX-License-Identifier: GPL-3.0-or-later
// The game's help: the manual in the help file "Morrow.hlp", shown in the
// help window, opened at the page a window or a command asks for.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QCoreApplication;
class QEvent;
class QHelpEngine;
class QTemporaryDir;
class QUrl;
class QWidget;

namespace morrow {

class HelpWindow;

// The dynamic int property a window or control carries its help page's
// context number in; 0 or missing means "none here, ask the parent".
inline constexpr char kHelpContextProperty[] = "helpContext";

// The help contexts of the game's windows and commands.
inline constexpr int kNudgeContext = 41001;       // "What's a Nudge?"
inline constexpr int kMainWindowContext = 41003;  // the main window, the borrow window itself
inline constexpr int kBorrowContext = 41005;      // every control of the borrow window
inline constexpr int kSaveOpenContext = 41008;    // the save and open window
inline constexpr int kCompanyContext = 41009;     // "Company Information"
inline constexpr int kPayoffChartContext = 41010; // the payoff chart

void SetHelpContext(QWidget& widget, int context);

// The first non-zero help context on `widget` or, going outward, its
// parents within the same window; 0 when none is set.
int HelpContextOf(const QWidget* widget);

// Asks for the help page of `origin` (the first context on it or its
// parents) from the help system listening on the application, if any; a
// dialog's Help button calls this. Without a context nothing happens.
void RequestHelp(QWidget& origin);

enum class HelpResult {
    Shown,          // the page is on screen
    NoContext,      // nothing asked for: no context on the widget
    UnknownContext, // no page has that context; the contents are shown instead
    Unavailable,    // the help file is missing or unreadable (reported once)
};

// Owns the help engine and the help window. The engine's collection (its
// register of help files and the search index) lives in the user's cache
// directory and is made on the first request, so a game that never asks
// for help never touches the disk.
class HelpSystem final : public QObject {
    Q_OBJECT

public:
    using ProblemReporter = std::function<void(const QString& message)>;

    // `helpFile`: the compressed help file, ProgramDir + "Morrow.hlp".
    // `cacheDir`: where the collection is kept; empty means
    // $XDG_CACHE_HOME/morrowmas-slots/help.
    explicit HelpSystem(QString helpFile, QString cacheDir = {}, QObject* parent = nullptr);
    ~HelpSystem() override;

    HelpSystem(const HelpSystem&) = delete;
    HelpSystem& operator=(const HelpSystem&) = delete;

    // The Help menu: "Morrowmas Slots Manual" opens the contents page,
    // "What's a Nudge?" and "Company Information" their contexts.
    HelpResult ShowContents();
    HelpResult ShowContext(int context);
    // The page of the first context on `widget` or its parents.
    HelpResult ShowContextOf(const QWidget* widget);

    // Listens on the application: F1 anywhere opens the page of the focused
    // control (or, going outward, its window), and RequestHelp is answered.
    void ListenOn(QCoreApplication& application);

    // A missing or unreadable help file is reported once per run, by
    // default in a warning box over the active window.
    void SetProblemReporter(ProblemReporter reporter);

    // The help window, once a page has been shown; nullptr before.
    HelpWindow* Window() const { return window_.get(); }
    // The help engine, once the help file has been opened; nullptr before.
    QHelpEngine* Engine() const { return engine_.get(); }
    // The address of the page of a context (empty when there is none or
    // the help file cannot be read).
    QUrl TopicUrl(int context);
    QUrl ContentsUrl();

    const QString& HelpFile() const { return helpFile_; }
    const QString& CollectionFile() const { return collectionFile_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool EnsureEngine();
    bool RegisterHelpFile();
    void Present(const QUrl& url);
    void Report(const QString& message);

    QString helpFile_;
    QString cacheDir_;
    QString collectionFile_;
    QString namespace_;
    ProblemReporter reporter_;
    bool reported_ = false; // a problem has been reported in this run
    bool indexed_ = false;  // the search index has been brought up to date

    // Destroyed in reverse order: the window (holding the engine's widgets)
    // before the engine, the engine before a temporary collection.
    std::unique_ptr<QTemporaryDir> fallbackDir_;
    std::unique_ptr<QHelpEngine> engine_;
    std::unique_ptr<HelpWindow> window_;
};

} // namespace morrow
