// SPDX-License-Identifier: GPL-3.0-or-later
// Ekobarama: the sowing game ekoba for two players sharing one computer.
#include "ui/Application.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool headless =
        platform && (QByteArray(platform) == "offscreen" || QByteArray(platform) == "minimal");
    if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "Ekobarama needs a graphical display: no DISPLAY or "
                             "WAYLAND_DISPLAY is set.\n");
        return 1;
    }
    TApplication application(argc, argv);
    // ekobarama [FILE]: the saved game FILE is opened once the window shows.
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() > 1) {
        std::fprintf(stderr, "usage: ekobarama [FILE]\n");
        return 2;
    }
    int status = 0;
    {
        auto form = std::make_unique<TForm1>();
#if defined(__GLIBC__)
        // Making the components read and converted every picture through temporary copies:
        // the memory they took goes back to the system before the program waits.
        malloc_trim(0);
#endif
        form->show();
        if (!arguments.isEmpty())
            QTimer::singleShot(0, form.get(), [file = arguments.first()] {
                Guarded([&] { OpenGameFile(file); });
            });
        status = application.exec();
        ReleaseProgramObjects();
    }
    return status;
}
