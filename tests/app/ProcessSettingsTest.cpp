// SPDX-License-Identifier: GPL-3.0-or-later
// The settings the game makes for its process, and that none of them reach a
// program the game starts (the browser).
#include "ProcessSettings.h"

#include "TGoToWeb.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
#include <QVersionNumber>

#include <utility>

namespace {

// A thread's time slice in ns, from the scheduler's figures in /proc.
long long SliceOf(const QByteArray& schedulerFigures) {
    for (const QByteArray& line : schedulerFigures.split('\n')) {
        if (line.startsWith("se.slice ")) {
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return 0;
}

} // namespace

class ProcessSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void settingsStayInTheGame() {
        qunsetenv("QT_XCB_NO_MITSHM");
        qputenv("SDL_AUDIO_DEVICE_STREAM_ROLE", "music"); // the player's own
        morrow::ApplyProcessSettings();
        QVERIFY2(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"), "frames would go through shared memory");
        QCOMPARE(qgetenv("SDL_AUDIO_DEVICE_STREAM_ROLE"), QByteArray("music"));
        // Up to zoom 1.5 frames go over the connection; from zoom 2 (2560
        // wide) in shared memory; with no X display the setting is harmless.
        for (const auto& [width, overConnection] :
             {std::pair{0, true}, {1920, true}, {2559, true}, {2560, false}}) {
            QCOMPARE(morrow::FramesOverTheConnection(width), overConnection);
        }

        // A program started from the GUI thread, as the browser is.
        QProcess program;
        program.setProcessEnvironment(morrow::PlayerEnvironment());
        program.start("/bin/sh",
                      {"-c",
                       "cat /proc/self/sched; echo \"X11 ${QT_XCB_NO_MITSHM-unset} ${PIPEWIRE_PROPS-unset} "
                       "${SDL_AUDIO_DEVICE_STREAM_ROLE}\""});
        QVERIFY(program.waitForFinished());
        const QByteArray figures = program.readAllStandardOutput();
        QVERIFY2(figures.contains("X11 unset unset music"),
                 "the game's settings reached a program it started");

        if (QVersionNumber::fromString(QSysInfo::kernelVersion()) < QVersionNumber(6, 12)) {
            QSKIP("time slices of one's own come with Linux 6.12");
        }
        QFile own("/proc/thread-self/sched");
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(SliceOf(own.readAll()), 500000LL);
        QVERIFY2(SliceOf(figures) != 500000, "a program the game started kept the game's time slices");
    }
};

QTEST_GUILESS_MAIN(ProcessSettingsTest)
#include "ProcessSettingsTest.moc"
