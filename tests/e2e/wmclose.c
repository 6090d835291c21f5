// SPDX-License-Identifier: GPL-3.0-or-later
/* What other programs do to a top-level window. Usage:
     wmclose WINDOW-ID            asks it to close, as a window manager's close box does: sends
                                  it the WM_DELETE_WINDOW client message;
     wmclose --destroy WINDOW-ID  destroys it, as a program that kills windows does. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    const int destroy = argc == 3 && strcmp(argv[1], "--destroy") == 0;
    if (argc != 2 && !destroy) {
        fprintf(stderr, "usage: wmclose [--destroy] WINDOW-ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "wmclose: cannot open the display\n");
        return 1;
    }
    const Window window = (Window)strtoul(argv[argc - 1], NULL, 0);
    if (destroy) {
        XDestroyWindow(display, window);
    } else {
        XEvent event = {0};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
