// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGoToWeb.h"

#include <QFileInfo>
#include <QProcess>

#include <utility>
#include <vector>

namespace morrow {

namespace {

// How long the desktop's tools may take to say which browser they have.
// They answer in well under a second; the bound only keeps a stuck desktop
// from freezing the game.
constexpr int kDesktopAnswerMilliseconds = 5000;

// The player's own value of each variable the game set for itself; no
// value when the player had not set it.
std::vector<std::pair<QString, std::optional<QString>>>& PlayerValues() {
    static std::vector<std::pair<QString, std::optional<QString>>> values;
    return values;
}

// A tool of the desktop, looked up in the PATH of the environment handed in
// (and nowhere else).
QString FindExecutable(const QString& program, const QProcessEnvironment& environment) {
    for (const QString& dir :
         environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo file(dir + "/" + program);
        if (file.isAbsolute() && file.isFile() && file.isExecutable()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

void PrepareDesktopTool(QProcess& process, const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& environment) {
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}

// What a tool of the desktop printed, when it ran to a clean end in time;
// nothing when it is not there, failed or did not answer.
std::optional<QString> AskDesktop(const char* tool, const QStringList& arguments,
                                  const QProcessEnvironment& environment) {
    const QString program = FindExecutable(QString::fromLatin1(tool), environment);
    if (program.isEmpty()) {
        return std::nullopt;
    }
    QProcess process;
    PrepareDesktopTool(process, program, arguments, environment);
    process.start();
    if (!process.waitForFinished(kDesktopAnswerMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

void KeepPlayerValueOf(const char* name) {
    const QString key = QString::fromLatin1(name);
    for (const auto& kept : PlayerValues()) {
        if (kept.first == key) {
            return; // the first value noted is the player's
        }
    }
    PlayerValues().emplace_back(key, qEnvironmentVariableIsSet(name)
                                         ? std::optional<QString>(qEnvironmentVariable(name))
                                         : std::nullopt);
}

QProcessEnvironment PlayerEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : PlayerValues()) {
        if (value) {
            environment.insert(name, *value);
        } else {
            environment.remove(name);
        }
    }
    return environment;
}

bool OpenWithDesktop(const QString& url, const QProcessEnvironment& environment) {
    if (url.isEmpty() || url.startsWith(QLatin1Char('-'))) {
        return false;
    }
    const QString opener = FindExecutable(QStringLiteral("xdg-open"), environment);
    if (opener.isEmpty()) {
        return false;
    }
    QProcess process;
    PrepareDesktopTool(process, opener, {url}, environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    return process.startDetached();
}

TGoToWeb::TGoToWeb(QProcessEnvironment environment)
    : Url(QString::fromLatin1(kHomePage)), EMail(QString::fromLatin1(kMakerEMail)),
      environment_(std::move(environment)) {}

std::optional<QString> TGoToWeb::FindBrowserCommand() const {
    // xdg-settings answers from the desktop's own setting where it has one
    // (KDE, Xfce) and from the registered handlers elsewhere, as xdg-open
    // decides. Where it cannot answer (Xfce without its helper settings),
    // the registered handler of web addresses is asked for.
    std::optional<QString> browser = AskDesktop(
        "xdg-settings", {QStringLiteral("get"), QStringLiteral("default-web-browser")}, environment_);
    if (!browser) {
        browser = AskDesktop(
            "xdg-mime",
            {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/http")},
            environment_);
    }
    if (!browser || browser->isEmpty()) {
        return std::nullopt;
    }
    return browser;
}

bool TGoToWeb::LaunchBrowser() {
    return FindBrowserCommand() && OpenWithDesktop(Url, environment_);
}

} // namespace morrow
