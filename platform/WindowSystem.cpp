// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
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

} // namespace platform
