#pragma once
// The one application object of a test executable, made on first use.
#include <QApplication>

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "ekobarama-tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
