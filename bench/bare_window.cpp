// A bare Qt window of the item screen's size: what any Qt program takes to show its first window.
// Run with R205730_EXIT_AFTER_FIRST_PAINT set, as the program is.
#include "platform/first_paint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::exitAfterFirstPaintWhenAsked();
    QWidget window;
    window.resize(791, 548);
    window.show();
    return app.exec();
}
