// SPDX-License-Identifier: GPL-3.0-or-later
// Asking a made-up desktop for its browser and starting it: a temporary home
// with its own XDG directories, the desktop's own tools (xdg-utils) to ask,
// and a browser that is a shell script noting the arguments it was started
// with.

#include "TGoToWeb.h"
#include "GameSession.h"
#include "TOnLineFrm.h"
#include "app/ModalAnswerer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using morrow::TGoToWeb;
using morrow::TOnLineFrm;
using morrow::test::ModalAnswerer;

namespace {

constexpr char kHome[] = "http://www.nexorail.example/";
constexpr char kBrowserEntry[] = "fake-browser.desktop";

// A temporary desktop: HOME, the XDG directories and a PATH of its own, all
// inside one temporary directory. It names a display and a desktop of no
// particular kind for the desktop's tools; nothing connects to either.
class FakeDesktop {
public:
    explicit FakeDesktop(const QString& desktop = QStringLiteral("X-Generic"), bool withTools = true) {
        for (const char* sub : {"config", "data/applications", "bin"}) {
            QDir(root_.path()).mkpath(QString::fromLatin1(sub));
        }
        env_.insert("HOME", root_.path());
        env_.insert("XDG_CONFIG_HOME", Path("config"));
        env_.insert("XDG_CONFIG_DIRS", Path("config"));
        env_.insert("XDG_DATA_HOME", Path("data"));
        env_.insert("XDG_DATA_DIRS", Path("data"));
        env_.insert("XDG_CURRENT_DESKTOP", desktop);
        env_.insert("DISPLAY", ":1999");
        env_.insert("PATH", withTools ? Path("bin") + ":/usr/bin:/bin" : Path("bin"));
    }
    QString Path(const QString& relative) const { return root_.filePath(relative); }
    QProcessEnvironment Environment() const { return env_; }

    void Write(const QString& relative, const QByteArray& text, bool executable = false) {
        QFile file(Path(relative));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable("cannot write " + file.fileName()));
        file.write(text);
        file.close();
        if (executable) {
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
    }
    // A browser registered for web addresses, which writes each argument on
    // a line of browser.log.
    void AddBrowser() {
        const QByteArray log = Path("browser.log").toUtf8();
        Write("bin/fake-browser",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + log + "'\nprintf 'done\\n' >> '" + log + "'\n", true);
        Write(QStringLiteral("data/applications/") + kBrowserEntry,
              "[Desktop Entry]\nType=Application\nName=Fake\nExec=fake-browser %u\n"
              "MimeType=x-scheme-handler/http;x-scheme-handler/https;text/html;\n");
    }
    QStringList BrowserLog() const {
        QFile file(Path("browser.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir root_;
    QProcessEnvironment env_;
};

} // namespace

class TGoToWebTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo::exists("/usr/bin/xdg-settings") && QFileInfo::exists("/usr/bin/xdg-open"),
                 "the desktop's tools are missing: install xdg-utils (scripts/setup.sh)");
    }

    // The desktop is asked for its browser and the address goes to its
    // opener, which starts that browser; without a browser, or without the
    // desktop's tools, nothing is started.
    void asksTheDesktop_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("withTools");
        QTest::addColumn<bool>("withBrowser");
        QTest::addColumn<bool>("launched");
        QTest::newRow("registered browser") << "X-Generic" << true << true << true;
        QTest::newRow("no browser") << "X-Generic" << true << false << false;
        QTest::newRow("no desktop tools") << "X-Generic" << false << true << false;
        // xdg-settings fails on Xfce without its helper settings; the
        // handler of web addresses still answers.
        QTest::newRow("desktop without its own setting") << "XFCE" << true << true << true;
        QTest::newRow("desktop without its own setting, no browser") << "XFCE" << true << false << false;
    }
    void asksTheDesktop() {
        QFETCH(QString, desktop);
        QFETCH(bool, withTools);
        QFETCH(bool, withBrowser);
        QFETCH(bool, launched);
        FakeDesktop fake(desktop, withTools);
        if (withBrowser) {
            fake.AddBrowser();
        }
        TGoToWeb web(fake.Environment());
        web.Url = QString::fromLatin1(kHome);
        QCOMPARE(web.FindBrowserCommand().value_or(QString()),
                 launched ? QString::fromLatin1(kBrowserEntry) : QString());
        QCOMPARE(web.LaunchBrowser(), launched);
        if (launched && desktop == "X-Generic") {
            QTRY_COMPARE(fake.BrowserLog(), (QStringList{QString::fromLatin1(kHome), "done"}));
        }
        // An address that would read as an option starts nothing.
        QVERIFY(!morrow::OpenWithDesktop("--help", fake.Environment()));
    }

    // The player's own value of a variable the game set for itself is what
    // the programs it starts get; the rest is the environment as it is now.
    void playerEnvironment() {
        qputenv("MORROW_TEST_SETTING", "player");
        morrow::KeepPlayerValueOf("MORROW_TEST_SETTING");
        qputenv("MORROW_TEST_SETTING", "game");
        qputenv("MORROW_TEST_LATER", "later");
        const QProcessEnvironment player = morrow::PlayerEnvironment();
        QCOMPARE(player.value("MORROW_TEST_SETTING"), QStringLiteral("player"));
        QCOMPARE(player.value("MORROW_TEST_LATER"), QStringLiteral("later"));
    }

    // The dialog: caption with the host, the address on its button; with
    // no browser, the message shows and the dialog still closes.
    void dialogWithoutBrowser() {
        FakeDesktop desktop;
        morrow::GameSession session;
        session.GameTitle = "Morrowmas Slots";
        TOnLineFrm dialog(session, desktop.Environment());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Nexorail on the Internet [www.nexorail.example]"));
        QCOMPARE(dialog.BitBtn2->text(), QString::fromLatin1(kHome));
        QVERIFY(dialog.Memo1->toPlainText().startsWith("Visit our Internet site"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ModalAnswerer answerer;
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        QCOMPARE(answerer.Boxes().size(), std::size_t{1});
        QCOMPARE(answerer.Boxes()[0].text, QStringLiteral("Not Able to Load your Web Browser"));
        QVERIFY2(!dialog.isVisible(), "the dialog stayed open after the failed launch");
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
    }
};

QTEST_MAIN(TGoToWebTest)
#include "TGoToWebTest.moc"
