#include "TGoToWeb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTextStream>
#include <QUrl>

namespace morrow {

namespace {

constexpr char kDesktopOpener[] = "xdg-open";

// One group of a desktop-style key file ("[Group]", then "key=value").
using KeyGroup = QHash<QString, QString>;

KeyGroup ReadKeyGroup(const QString& path, QStringView wanted) {
    KeyGroup keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return keys;
    }
    QTextStream in(&file);
    bool inWanted = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inWanted = QStringView(line).mid(1, line.size() - 2) == wanted;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inWanted && equals > 0) {
            const QString key = line.left(equals).trimmed();
            if (!keys.contains(key)) {
                keys.insert(key, line.mid(equals + 1).trimmed());
            }
        }
    }
    return keys;
}

// The string escapes of a desktop entry value.
QString UnescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool IsQuotedEscape(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\');
}

QString DirFrom(const QProcessEnvironment& env, const char* name, const QString& fallback) {
    const QString value = env.value(QString::fromLatin1(name));
    // Relative paths in these variables are invalid and ignored.
    return QDir::isAbsolutePath(value) ? value : fallback;
}

QStringList DirsFrom(const QProcessEnvironment& env, const char* name, const QString& fallback) {
    QStringList dirs;
    const QString value = env.value(QString::fromLatin1(name));
    for (const QString& dir :
         (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {
            dirs << dir;
        }
    }
    return dirs;
}

struct XdgDirs {
    QStringList mimeAppsFiles;   // in the order they are consulted
    QStringList applicationDirs; // where desktop entries live
};

XdgDirs XdgDirsFrom(const QProcessEnvironment& env) {
    const QString home = env.value(QStringLiteral("HOME"));
    const QString homeFallback = QDir::isAbsolutePath(home) ? home : QString();
    QStringList configDirs;
    const QString configHome =
        DirFrom(env, "XDG_CONFIG_HOME", homeFallback.isEmpty() ? QString() : homeFallback + "/.config");
    if (!configHome.isEmpty()) {
        configDirs << configHome;
    }
    configDirs << DirsFrom(env, "XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));

    XdgDirs dirs;
    const QString dataHome =
        DirFrom(env, "XDG_DATA_HOME", homeFallback.isEmpty() ? QString() : homeFallback + "/.local/share");
    if (!dataHome.isEmpty()) {
        dirs.applicationDirs << dataHome + "/applications";
    }
    for (const QString& dir : DirsFrom(env, "XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))) {
        dirs.applicationDirs << dir + "/applications";
    }

    // Each directory's desktop-specific list comes before its general one.
    QStringList desktops;
    for (const QString& name :
         env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        desktops << name.toLower();
    }
    for (const QString& dir : configDirs + dirs.applicationDirs) {
        for (const QString& desktop : desktops) {
            dirs.mimeAppsFiles << dir + "/" + desktop + "-mimeapps.list";
        }
        dirs.mimeAppsFiles << dir + "/mimeapps.list";
    }
    return dirs;
}

// A desktop id names a file in an applications directory; "vendor-app.desktop"
// may also be "vendor/app.desktop".
QString FindDesktopEntry(const QString& id, const QStringList& applicationDirs) {
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || id.startsWith(QLatin1Char('.'))) {
        return {};
    }
    for (const QString& dir : applicationDirs) {
        QString candidate = dir + "/" + id;
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
        for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
             dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
            candidate = dir + "/" + id.left(dash) + "/" + id.mid(dash + 1);
            if (QFileInfo(candidate).isFile()) {
                return candidate;
            }
        }
    }
    return {};
}

} // namespace

std::optional<QStringList> SplitDesktopExec(const QString& exec) {
    const QString line = UnescapeValue(exec);
    QStringList words;
    QString word;
    bool inWord = false;       // something, even an empty quoted pair, was read
    bool hadFieldCode = false; // a field code was removed from this word
    bool quoted = false;
    const auto endWord = [&] {
        // A word that was nothing but field codes disappears with them.
        if (inWord && !(word.isEmpty() && hadFieldCode)) {
            words << word;
        }
        word.clear();
        inWord = hadFieldCode = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < line.size() && IsQuotedEscape(line[i + 1])) {
                word += line[++i];
            } else if (c == QLatin1Char('%')) {
                if (i + 1 < line.size() && line[i + 1] == QLatin1Char('%')) {
                    word += QLatin1Char('%');
                } else {
                    hadFieldCode = true;
                }
                ++i;
            } else {
                word += c;
            }
            continue;
        }
        if (IsBlank(c)) {
            endWord();
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c == QLatin1Char('%')) {
            inWord = true;
            if (i + 1 < line.size() && line[i + 1] == QLatin1Char('%')) {
                word += QLatin1Char('%');
            } else {
                hadFieldCode = true;
            }
            ++i;
        } else {
            inWord = true;
            word += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    endWord();
    if (words.isEmpty() || words.constFirst().isEmpty()) {
        return std::nullopt;
    }
    return words;
}

TGoToWeb::TGoToWeb(QProcessEnvironment environment)
    : Url(QString::fromLatin1(kHomePage)), EMail(QString::fromLatin1(kMakerEMail)),
      environment_(std::move(environment)) {}

std::optional<BrowserCommand> TGoToWeb::FindBrowserCommand() const {
    const XdgDirs dirs = XdgDirsFrom(environment_);
    // The handler of the address's own scheme first, then of web pages in
    // general, as the oldest desktops registered browsers only for those.
    QStringList types;
    const QString scheme = QUrl(Url).scheme().toLower();
    if (!scheme.isEmpty()) {
        types << QStringLiteral("x-scheme-handler/") + scheme;
    }
    for (const char* type : {"x-scheme-handler/http", "x-scheme-handler/https", "text/html"}) {
        if (!types.contains(QLatin1String(type))) {
            types << QString::fromLatin1(type);
        }
    }
    for (const QString& type : types) {
        for (const QString& list : dirs.mimeAppsFiles) {
            const KeyGroup defaults = ReadKeyGroup(list, u"Default Applications");
            for (const QString& id : defaults.value(type).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString entryFile = FindDesktopEntry(id.trimmed(), dirs.applicationDirs);
                if (entryFile.isEmpty()) {
                    continue;
                }
                const KeyGroup entry = ReadKeyGroup(entryFile, u"Desktop Entry");
                const QString entryType = entry.value(QStringLiteral("Type"), QStringLiteral("Application"));
                if (entryType != QLatin1String("Application") ||
                    entry.value(QStringLiteral("Hidden")) == QLatin1String("true")) {
                    continue;
                }
                const QString tryExec = UnescapeValue(entry.value(QStringLiteral("TryExec")));
                if (!tryExec.isEmpty() && FindExecutable(tryExec).isEmpty()) {
                    continue;
                }
                std::optional<QStringList> words = SplitDesktopExec(entry.value(QStringLiteral("Exec")));
                if (!words) {
                    continue;
                }
                const QString program = FindExecutable(words->takeFirst());
                if (program.isEmpty()) {
                    continue;
                }
                return BrowserCommand{program, *words, entryFile};
            }
        }
    }
    return std::nullopt;
}

bool TGoToWeb::LaunchBrowser() {
    if (Url.isEmpty() || Url.startsWith(QLatin1Char('-'))) {
        return false;
    }
    if (const std::optional<BrowserCommand> browser = FindBrowserCommand()) {
        if (StartDetached(browser->Program, browser->Arguments + QStringList{Url})) {
            return true;
        }
    }
    const QString opener = FindExecutable(QString::fromLatin1(kDesktopOpener));
    return !opener.isEmpty() && StartDetached(opener, {Url});
}

// A program named with a path is taken as it is; a bare name is looked up in
// the PATH of the environment handed in (and nowhere else).
QString TGoToWeb::FindExecutable(const QString& program) const {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isAbsolute() && file.isFile() && file.isExecutable() ? program : QString();
    }
    for (const QString& dir :
         environment_.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo file(dir + "/" + program);
        if (file.isAbsolute() && file.isFile() && file.isExecutable()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

bool TGoToWeb::StartDetached(const QString& program, const QStringList& arguments) const {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment_);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace morrow
