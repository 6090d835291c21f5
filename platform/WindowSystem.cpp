// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace platform {

namespace {

// Watches the X server's events for the destruction of one window. When the program destroys
// a window of its own, Qt has let go of its id before the server's notice arrives, so only a
// destruction by another program matches.
class TDestroyWatch : public QObject, public QAbstractNativeEventFilter {
public:
    TDestroyWatch(QWidget* window, std::function<void()> action)
        : QObject(window), window_(window), action_(std::move(action)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TDestroyWatch() override {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!action_ || type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
            return false;
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        const WId id = window_->internalWinId();
        if (id == 0 || destroyed->window != static_cast<xcb_window_t>(id))
            return false;
        // Not from inside Qt's dispatch of the event: from the event loop's next turn.
        QTimer::singleShot(0, this, std::move(action_));
        action_ = nullptr;
        return false;
    }

private:
    QWidget* window_;
    std::function<void()> action_;
};

} // namespace

void OnNativeWindowDestroyed(QWidget* window, std::function<void()> action) {
    new TDestroyWatch(window, std::move(action)); // owned by the widget
}

namespace {

// The platform asked for: the last "-platform NAME" argument, else QT_QPA_PLATFORM; the first of
// a list of names separated by ';', and without its ":options". Empty when none is asked for.
std::string RequestedPlatform(int argc, const char* const* argv) {
    std::string name;
    if (const char* const variable = std::getenv("QT_QPA_PLATFORM"))
        name = variable;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            name = argv[i + 1];
    name = name.substr(0, name.find(';'));
    return name.substr(0, name.find(':'));
}

bool Set(const char* variable) {
    const char* const value = std::getenv(variable);
    return value && *value;
}

} // namespace

std::string DisplayProblem(int argc, const char* const* argv, bool tryConnection) {
    const std::string platform = RequestedPlatform(argc, argv);
    const bool waylandSession =
        Set("WAYLAND_DISPLAY") ||
        (Set("XDG_SESSION_TYPE") && std::strcmp(std::getenv("XDG_SESSION_TYPE"), "wayland") == 0);
    if (platform != "xcb" && !(platform.empty() && !waylandSession))
        return {};
    const char* const display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no graphical display is set (DISPLAY is empty or unset)";
    if (!tryConnection)
        return {};
    xcb_connection_t* const connection = xcb_connect(display, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed)
        return std::string("the graphical display \"") + display + "\" (DISPLAY) cannot be opened";
    return {};
}

} // namespace platform
