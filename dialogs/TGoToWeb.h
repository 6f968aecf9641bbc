// Starting the player's web browser on an address.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace morrow {

// The maker's home page and mail address.
inline constexpr char kHomePage[] = "http://www.nexorail.example/";
inline constexpr char kMakerEMail[] = "info@nexorail.example";

// How the browser's window should come up. Desktops let the browser decide
// for itself, so this is kept as a wish only.
enum class TBrowserState { gwMaximized = 0, gwNormal = 1 };

// A browser program ready to run: the program's full path and the arguments
// that go before the address.
struct BrowserCommand {
    QString Program;
    QStringList Arguments;
    QString DesktopEntry; // the desktop entry file it came from
};

// Splits the Exec line of a desktop entry into the program and its
// arguments the way the desktop does, without any shell: blanks separate,
// double quotes group (with \" \` \$ \\ inside them), the entry's own
// escapes (\s \n \t \r \\) are undone, "%%" is a percent sign and every other
// field code ("%u", "%U", "%f", ...) is removed with its letter. Empty when
// the line is malformed or names no program.
std::optional<QStringList> SplitDesktopExec(const QString& exec);

// Finds the browser the desktop has registered for web addresses and starts
// it detached with the address. The environment (HOME, PATH and the XDG
// directories) is handed in, so a test can point it at a made-up desktop;
// the browser is started with that same environment.
class TGoToWeb {
public:
    explicit TGoToWeb(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    QString Url;   // the address to open
    QString EMail; // a mail address kept with the address; nothing reads it
    TBrowserState BrowserState = TBrowserState::gwMaximized;

    // The registered web browser: the default application for the address's
    // scheme, then for http, https and HTML pages, from the mimeapps.list
    // files in the XDG order, with its desktop entry's Exec line. Empty when
    // none is registered, or none of those registered can be found.
    std::optional<BrowserCommand> FindBrowserCommand() const;

    // Starts the registered browser with the address; without one, or when
    // it does not start, the desktop's own address opener (xdg-open). True
    // when a program was started. An empty address, or one that would read
    // as an option (a leading "-"), starts nothing.
    bool LaunchBrowser();

private:
    QString FindExecutable(const QString& program) const;
    bool StartDetached(const QString& program, const QStringList& arguments) const;

    QProcessEnvironment environment_;
};

} // namespace morrow
