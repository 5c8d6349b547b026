/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Drops a file on a window the way a file manager does (the X drag-and-drop
 * protocol, version 5, offering text/uri-list), so that the screen-reader
 * test can hear what a dropped file brings without a pointer.
 *
 *     xdnd_drop WINDOW X Y FILE
 *
 * WINDOW is the target's X window id (decimal or 0x...), X and Y the point
 * inside it, FILE an absolute path. Exit status 0 when the target accepted
 * and finished the drop, 1 otherwise (refused, or no answer in 10 seconds). */

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static Atom aware, enter, position, status, drop, finished, selection, actionCopy, uriList;

static void sendMessage(Display* display, Window target, Atom type, long l0, long l1, long l2, long l3, long l4)
{
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

/* The next event, or 0 after the deadline. */
static int nextEvent(Display* display, XEvent* event, time_t deadline)
{
    while (!XPending(display)) {
        if (time(NULL) > deadline)
            return 0;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        struct timeval wait = {0, 100000};
        select(ConnectionNumber(display) + 1, &fds, NULL, NULL, &wait);
    }
    XNextEvent(display, event);
    return 1;
}

/* Hands the file's URI to whoever asks for the drag's selection. */
static void answerRequest(Display* display, const XSelectionRequestEvent* request, const char* uri)
{
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    if (request->target == uriList && request->property != None) {
        XChangeProperty(display, request->requestor, request->property, uriList, 8, PropModeReplace,
                        (const unsigned char*)uri, (int)strlen(uri));
        reply.xselection.property = request->property;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, &reply);
    XFlush(display);
}

int main(int argc, char** argv)
{
    if (argc != 5 || argv[4][0] != '/') {
        fprintf(stderr, "usage: xdnd_drop WINDOW X Y /ABSOLUTE/FILE\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xdnd_drop: no display\n");
        return 1;
    }
    const Window target = (Window)strtoul(argv[1], NULL, 0);
    aware = XInternAtom(display, "XdndAware", False);
    enter = XInternAtom(display, "XdndEnter", False);
    position = XInternAtom(display, "XdndPosition", False);
    status = XInternAtom(display, "XdndStatus", False);
    drop = XInternAtom(display, "XdndDrop", False);
    finished = XInternAtom(display, "XdndFinished", False);
    selection = XInternAtom(display, "XdndSelection", False);
    actionCopy = XInternAtom(display, "XdndActionCopy", False);
    uriList = XInternAtom(display, "text/uri-list", False);

    char uri[4096];
    snprintf(uri, sizeof uri, "file://%s\r\n", argv[4]);

    /* The source window: never shown, it owns the selection and gets the answers. */
    const Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, source, PropertyChangeMask);
    /* A server time stamp for owning the selection: that of a property change. */
    XChangeProperty(display, source, aware, XA_ATOM, 32, PropModeReplace, (const unsigned char*)"", 0);
    XEvent event;
    Time now = CurrentTime;
    const time_t deadline = time(NULL) + 10;
    while (nextEvent(display, &event, deadline)) {
        if (event.type == PropertyNotify) {
            now = event.xproperty.time;
            break;
        }
    }
    XSetSelectionOwner(display, selection, source, now);

    int rootX = 0;
    int rootY = 0;
    Window child = None;
    XTranslateCoordinates(display, target, DefaultRootWindow(display), atoi(argv[2]), atoi(argv[3]), &rootX, &rootY,
                          &child);
    sendMessage(display, target, enter, (long)source, 5L << 24, (long)uriList, None, None);
    sendMessage(display, target, position, (long)source, 0, ((long)rootX << 16) | (rootY & 0xffff), (long)now,
                (long)actionCopy);

    int accepted = -1;
    int done = 0;
    while (!done && nextEvent(display, &event, deadline)) {
        if (event.type == SelectionRequest) {
            answerRequest(display, &event.xselectionrequest, uri);
        } else if (event.type == ClientMessage && event.xclient.message_type == status && accepted < 0) {
            accepted = (event.xclient.data.l[1] & 1) != 0;
            if (!accepted)
                break;
            sendMessage(display, target, drop, (long)source, 0, (long)now, 0, 0);
        } else if (event.type == ClientMessage && event.xclient.message_type == finished) {
            done = 1;
        }
    }
    XCloseDisplay(display);
    if (accepted == 0)
        fprintf(stderr, "xdnd_drop: the window refused the file\n");
    else if (!done)
        fprintf(stderr, "xdnd_drop: the drop was not finished\n");
    return done ? 0 : 1;
}
