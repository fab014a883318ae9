#include "app.h"
#include "drives.h"
#include "systemhost.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // The window registry decides when the program ends, not the last closed window.
    QApplication::setQuitOnLastWindowClosed(false);
    wl::SystemHost host;
    wl::SystemDriveSource drives;
    wl::App app(host, drives);
    app.start();
    return QApplication::exec();
}
