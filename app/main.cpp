#include "ApplicationTitle.h"
#include "TForm1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    morrow::ApplyApplicationTitle();

    // The window lives on this stack frame until the message loop has ended,
    // so nothing running inside it can outlive it.
    morrow::TForm1 form;
    form.show();
    return QApplication::exec();
}
