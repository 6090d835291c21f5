// SPDX-License-Identifier: GPL-3.0-or-later
// Ekobarama: the sowing game ekoba for two players sharing one computer.
#include "platform/DDraw.h"
#include "platform/Pause.h"
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
#include <utility>
#include <vector>

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
std::vector<std::pair<QtMsgType, QString>> heldMessages;
int startArgc = 0;
const char* const* startArgv = nullptr;
void StartUpMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        // Held back until the application object is made: the library's own account of a
        // display it could not open would only come before the program's message.
        heldMessages.push_back({type, message});
        return;
    }
    // Qt's own text advises reinstalling, which would not help: the display is what is wrong.
    const std::string problem = platform::DisplayProblem(startArgc, startArgv, true);
    CannotOpenWindow(problem.empty() ? "no display it can use was found (DISPLAY, "
                                       "WAYLAND_DISPLAY, QT_QPA_PLATFORM)"
                                     : problem);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv) {
    // What can be told without a connection is told at once; a display that cannot be opened
    // is named when the window system library fails on it.
    if (const std::string problem = platform::DisplayProblem(argc, argv, false); !problem.empty()) {
        CannotOpenWindow(problem);
        return 1;
    }
    startArgc = argc;
    startArgv = argv;
    previousHandler = qInstallMessageHandler(StartUpMessages);
    TApplication application(argc, argv);
    qInstallMessageHandler(previousHandler);
    for (const auto& [type, message] : heldMessages) {
        if (previousHandler)
            previousHandler(type, QMessageLogContext(), message);
        else
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    heldMessages.clear();
    // ekobarama [FILE]: the saved game FILE is opened once the window shows.
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() > 1) {
        std::fprintf(stderr, "usage: ekobarama [FILE]\n");
        return 2;
    }
    // EKOBARAMA_FAST_MOVES (for the end-to-end tests that play whole games): at 1 the frames of a
    // move are not paced to the screen's refresh, at 2 the pauses are left out too (the hand's
    // holds and the computer's least time before its move). Every frame is still drawn.
    if (const char* fast = std::getenv("EKOBARAMA_FAST_MOVES")) {
        const std::string level = fast;
        if (level == "1" || level == "2")
            platform::SetPresentationPacing(false);
        if (level == "2")
            platform::SetPausesEnabled(false);
    }
    // The person's preferences, before the window that they size is made.
    LoadPreferencesAtStartUp();
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
