// SPDX-License-Identifier: GPL-3.0-or-later
// The payoff chart with its picture, and without one.

#include "TPaychart.h"
#include "Dialogs.h"
#include "GameSession.h"
#include "app/ModalAnswerer.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using morrow::GameSession;
using morrow::TPaychart;
using morrow::test::ModalAnswerer;

namespace {

GameSession SessionIn(const QString& dir) {
    GameSession session;
    session.ProgramDir = (dir + "/").toStdString();
    session.GameTitle = "Morrowmas Slots";
    return session;
}

} // namespace

class TPaychartTest : public QObject {
    Q_OBJECT

private slots:
    // The window takes the picture's own size and shows it at the top left.
    void withPicture() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage picture(300, 180, QImage::Format_RGB32);
        picture.fill(QColor(200, 30, 40));
        QVERIFY(picture.save(dir.filePath("Paychart.bmp"), "BMP"));

        ModalAnswerer answerer;
        TPaychart chart(SessionIn(dir.path()));
        QVERIFY2(answerer.Boxes().empty(), "a readable picture raised a message");
        QVERIFY(chart.HasPicture());
        QCOMPARE(chart.windowTitle(), QStringLiteral("Payoff Chart"));
        QCOMPARE(chart.property("helpContext").toInt(), 41010);
        QCOMPARE(chart.size(), QSize(300, 180));
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const QImage shown = chart.grab().toImage();
        QCOMPARE(shown.pixelColor(0, 0), QColor(200, 30, 40));
        QCOMPARE(shown.pixelColor(299, 179), QColor(200, 30, 40));
    }

    // A missing or damaged picture names its full path in an error box, and
    // the window still opens, empty, at 632 x 413; through the menu's entry too.
    void withoutPicture_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("not a picture") << QByteArray("BM this is no bitmap") << true;
    }
    void withoutPicture() {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Paychart.bmp");
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const GameSession session = SessionIn(dir.path());
        ModalAnswerer answerer;
        bool openedEmpty = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* chart = qobject_cast<TPaychart*>(QApplication::activeModalWidget());
            if (chart && chart->isVisible()) {
                openedEmpty = !chart->HasPicture() && chart->size() == QSize(632, 413);
                chart->close();
            }
        });
        poll.start(10);
        morrow::RunPaychart(nullptr, session);
        QVERIFY2(openedEmpty, "the window did not open empty at its design size");
        QCOMPARE(answerer.Boxes().size(), std::size_t{1});
        QCOMPARE(answerer.Boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer.Boxes()[0].text, QStringLiteral("Cannot open file ") + path);
    }
};

QTEST_MAIN(TPaychartTest)
#include "TPaychartTest.moc"
