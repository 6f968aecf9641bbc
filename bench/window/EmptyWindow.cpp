// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the game's start-up: an empty main window of the size
// the game's window has on a 1024 x 768 screen, nothing else. The launch
// bench starts it and the game in turns.
#include <QApplication>
#include <QMainWindow>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(QGuiApplication::primaryScreen()->size() - QSize(10, 10));
    window.show();
    return QApplication::exec();
}
