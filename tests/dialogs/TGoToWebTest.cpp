// Finding and starting the player's browser on a made-up desktop: a
// temporary home with its own XDG directories, and browsers that are shell
// scripts noting the arguments they were started with.

#include "TGoToWeb.h"
#include "GameSession.h"
#include "TOnLineFrm.h"
#include "app/ModalAnswerer.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using morrow::TGoToWeb;
using morrow::TOnLineFrm;
using morrow::test::ModalAnswerer;

namespace {

constexpr char kHome[] = "http://www.nexorail.example/";

// A temporary desktop: HOME, the four XDG directories and a PATH of its own,
// all inside one temporary directory.
class FakeDesktop {
public:
    FakeDesktop() {
        for (const char* sub :
             {"config", "config-dirs", "data/applications", "data-dirs/applications", "bin"}) {
            QDir(root_.path()).mkpath(QString::fromLatin1(sub));
        }
        env_.insert("HOME", root_.path());
        env_.insert("XDG_CONFIG_HOME", Path("config"));
        env_.insert("XDG_CONFIG_DIRS", Path("config-dirs"));
        env_.insert("XDG_DATA_HOME", Path("data"));
        env_.insert("XDG_DATA_DIRS", Path("data-dirs"));
        env_.insert("PATH", Path("bin"));
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
    // A program in bin/ that writes each argument on a line of `record`.
    void AddRecordingProgram(const QString& name, const QString& record) {
        Write("bin/" + name,
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + Path(record).toUtf8() + "'\n" +
                  "printf 'done\\n' >> '" + Path(record).toUtf8() + "'\n",
              true);
    }
    QStringList Recorded(const QString& record) const {
        QFile file(Path(record));
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
    // Exec lines become a program and its arguments without any shell.
    void splitExec_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("valid");
        QTest::newRow("field code dropped") << "firefox %u" << QStringList{"firefox"} << true;
        QTest::newRow("quoted path with blanks")
            << "\"/opt/My Browser/run\" --new-window %U" << QStringList{"/opt/My Browser/run", "--new-window"}
            << true;
        QTest::newRow("escapes inside quotes")
            << "run \"a \\\"b\\\" \\\\\\\\c \\$d\"" << QStringList{"run", "a \"b\" \\c $d"} << true;
        QTest::newRow("entry escape \\s") << "run\\s--private %u" << QStringList{"run", "--private"} << true;
        QTest::newRow("percent sign kept, code inside a word removed")
            << "run --zoom=100%% --x=%f" << QStringList{"run", "--zoom=100%", "--x="} << true;
        QTest::newRow("empty quoted argument kept") << "run \"\" %u" << QStringList{"run", ""} << true;
        QTest::newRow("shell characters are plain text")
            << "run ;rm -rf x|y $(z)" << QStringList{"run", ";rm", "-rf", "x|y", "$(z)"} << true;
        QTest::newRow("unterminated quote") << "run \"open" << QStringList{} << false;
        QTest::newRow("nothing but field codes") << "%u %F" << QStringList{} << false;
        QTest::newRow("blank") << "   " << QStringList{} << false;
    }
    void splitExec() {
        QFETCH(QString, exec);
        QFETCH(QStringList, words);
        QFETCH(bool, valid);
        const std::optional<QStringList> split = morrow::SplitDesktopExec(exec);
        QCOMPARE(split.has_value(), valid);
        if (valid) {
            QCOMPARE(*split, words);
        }
    }

    // The desktop's default browser is started with its own arguments and
    // then the address; an uninstalled first choice is passed over, and the
    // user's own list wins over the system's.
    void launchesRegisteredBrowser() {
        FakeDesktop desktop;
        desktop.AddRecordingProgram("fake-browser", "browser.log");
        desktop.AddRecordingProgram("system-browser", "system.log");
        desktop.Write("data/applications/fake.desktop",
                      "[Desktop Action New]\nExec=wrong\n"
                      "[Desktop Entry]\nType=Application\nName=Fake\nExec=fake-browser --new-window %u\n");
        desktop.Write("data-dirs/applications/system.desktop",
                      "[Desktop Entry]\nType=Application\nExec=system-browser %U\n");
        desktop.Write("config/mimeapps.list",
                      "[Added Associations]\nx-scheme-handler/http=system.desktop;\n"
                      "[Default Applications]\nx-scheme-handler/http=gone.desktop;fake.desktop;\n");
        desktop.Write("data-dirs/applications/mimeapps.list",
                      "[Default Applications]\nx-scheme-handler/http=system.desktop\n");

        TGoToWeb web(desktop.Environment());
        web.Url = QString::fromLatin1(kHome);
        const std::optional<morrow::BrowserCommand> command = web.FindBrowserCommand();
        QVERIFY2(command.has_value(), "the registered browser was not found");
        QCOMPARE(command->Program, desktop.Path("bin/fake-browser"));
        QVERIFY(web.LaunchBrowser());
        QTRY_COMPARE(desktop.Recorded("browser.log"),
                     (QStringList{"--new-window", QString::fromLatin1(kHome), "done"}));
        QCOMPARE(desktop.Recorded("system.log"), QStringList{});
    }

    // With no browser registered the desktop's address opener is used; an
    // address that would read as an option starts nothing.
    void fallsBackToOpener() {
        FakeDesktop desktop;
        desktop.AddRecordingProgram("xdg-open", "opener.log");
        TGoToWeb web(desktop.Environment());
        QVERIFY2(!web.FindBrowserCommand(), "a browser was found on an empty desktop");
        web.Url = QString::fromLatin1(kHome);
        QVERIFY(web.LaunchBrowser());
        QTRY_COMPARE(desktop.Recorded("opener.log"), (QStringList{QString::fromLatin1(kHome), "done"}));
        web.Url = "--help";
        QVERIFY(!web.LaunchBrowser());
    }

    // The dialog: caption with the host, the address on its button; with
    // nothing to start, the message shows and the dialog still closes.
    void dialogWithoutBrowser() {
        FakeDesktop desktop;
        desktop.Write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=gone.desktop\n");
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
