/* The least window manager the end-to-end tests need: maps and configures windows as
 * asked, and answers the EWMH full-screen request (_NET_WM_STATE_FULLSCREEN) by covering
 * the screen, as desktop window managers do. No decorations, no focus policy. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

static Atom netWmState, netFullscreen, netSupported, netCheck;

static int ignoreErrors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

static int wantsFullscreen(Display* display, Window window) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int found = 0;
    if (XGetWindowProperty(display, window, netWmState, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data != NULL) {
        for (unsigned long i = 0; i < count; ++i) {
            if (((Atom*)data)[i] == netFullscreen) {
                found = 1;
            }
        }
        XFree(data);
    }
    return found;
}

static void setFullscreen(Display* display, Window window, int on) {
    if (on) {
        XChangeProperty(display, window, netWmState, XA_ATOM, 32, PropModeReplace,
                        (unsigned char*)&netFullscreen, 1);
        XMoveResizeWindow(display, window, 0, 0, DisplayWidth(display, DefaultScreen(display)),
                          DisplayHeight(display, DefaultScreen(display)));
    } else {
        XDeleteProperty(display, window, netWmState);
    }
}

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "mini_wm: no display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    Window root = DefaultRootWindow(display);
    netWmState = XInternAtom(display, "_NET_WM_STATE", False);
    netFullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    netSupported = XInternAtom(display, "_NET_SUPPORTED", False);
    netCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);

    Window check = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
    XChangeProperty(display, root, netCheck, XA_WINDOW, 32, PropModeReplace, (unsigned char*)&check,
                    1);
    XChangeProperty(display, check, netCheck, XA_WINDOW, 32, PropModeReplace,
                    (unsigned char*)&check, 1);
    Atom supported[] = {netWmState, netFullscreen};
    XChangeProperty(display, root, netSupported, XA_ATOM, 32, PropModeReplace,
                    (unsigned char*)supported, 2);
    XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    printf("ready\n");
    fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapRequest) {
            Window window = event.xmaprequest.window;
            if (wantsFullscreen(display, window)) {
                setFullscreen(display, window, 1);
            }
            XMapWindow(display, window);
            XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        } else if (event.type == ConfigureRequest) {
            XConfigureRequestEvent* request = &event.xconfigurerequest;
            XWindowChanges changes;
            changes.x = request->x;
            changes.y = request->y;
            changes.width = request->width;
            changes.height = request->height;
            changes.border_width = request->border_width;
            changes.sibling = request->above;
            changes.stack_mode = request->detail;
            XConfigureWindow(display, request->window, (unsigned int)request->value_mask, &changes);
        } else if (event.type == ClientMessage && event.xclient.message_type == netWmState) {
            const long action = event.xclient.data.l[0]; /* 0 remove, 1 add, 2 toggle */
            if ((Atom)event.xclient.data.l[1] == netFullscreen ||
                (Atom)event.xclient.data.l[2] == netFullscreen) {
                Window window = event.xclient.window;
                const int on = action == 2 ? !wantsFullscreen(display, window) : action == 1;
                setFullscreen(display, window, on);
            }
        }
        XFlush(display);
    }
}
