// SPDX-License-Identifier: GPL-3.0-or-later
// Ekobarama: the sowing game ekoba for two players sharing one computer.
#include "platform/WindowSystem.h"
#include "ui/Application.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

void CannotOpenWindow(const std::string& why) {
    std::fprintf(stderr, "Ekobarama cannot open its window: %s.\n", why.c_str());
}

// While the application object is made, a fatal error of the window system library (it found
// no display it could use) ends the program with its own message and status 1 rather than an
// abort.
QtMessageHandler previousHandler = nullptr;
void StartUpMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    // Qt's own text advises reinstalling, which would not help: the display is what is wrong.
    CannotOpenWindow("no display it can use was found (DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM)");
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (const std::string problem = platform::DisplayProblem(argc, argv); !problem.empty()) {
        CannotOpenWindow(problem);
        return 1;
    }
    previousHandler = qInstallMessageHandler(StartUpMessages);
    TApplication application(argc, argv);
    qInstallMessageHandler(previousHandler);
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
