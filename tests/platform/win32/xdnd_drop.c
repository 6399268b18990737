/*
 * Drops files onto an X window the way a file manager does, through the
 * XDND protocol: enter, position, drop, with the files offered as a
 * text/uri-list. Wine turns such a drop into WM_DROPFILES for the window under
 * the point that accepts files, so the program's real drop handling runs.
 *
 * usage: xdnd-drop WINDOW X Y FILE...
 *   WINDOW  the target's X window id (as xdotool prints it)
 *   X Y     the drop point on the screen
 *   FILE    absolute paths
 * Exits 0 when the target accepted and finished the drop, 1 otherwise.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

enum { kVersion = 5, kTimeoutSeconds = 15 };

typedef struct {
    Display* display;
    Window source;
    Window target;
    Atom enter, position, status, drop, finished, selection, actionCopy, uriList;
    char* uris;
} Drag;

static int hex(unsigned char c) { return "0123456789ABCDEF"[c & 15]; }

/* file:// URIs, one a line, with every byte outside the unreserved set escaped. */
static char* uri_list(int count, char** paths)
{
    size_t size = 1;
    for (int i = 0; i < count; ++i)
        size += strlen("file://") + 3 * strlen(paths[i]) + 2;
    char* out = malloc(size);
    if (!out)
        return NULL;
    char* p = out;
    for (int i = 0; i < count; ++i) {
        p += sprintf(p, "file://");
        for (const unsigned char* s = (const unsigned char*)paths[i]; *s; ++s) {
            if ((*s >= 'a' && *s <= 'z') || (*s >= 'A' && *s <= 'Z') || (*s >= '0' && *s <= '9') ||
                strchr("/-._~", *s)) {
                *p++ = (char)*s;
            } else {
                *p++ = '%';
                *p++ = (char)hex(*s >> 4);
                *p++ = (char)hex(*s);
            }
        }
        *p++ = '\r';
        *p++ = '\n';
    }
    *p = '\0';
    return out;
}

static void send_message(Drag* d, Atom type, long l1, long l2, long l3, long l4)
{
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.display = d->display;
    event.xclient.window = d->target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)d->source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(d->display, d->target, False, NoEventMask, &event);
    XFlush(d->display);
}

/* The target asks for the files while it decides, and again at the drop. */
static void answer_request(Drag* d, const XSelectionRequestEvent* request)
{
    XEvent reply;
    memset(&reply, 0, sizeof(reply));
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request->display;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    if (request->selection == d->selection && request->target == d->uriList && request->property != None) {
        XChangeProperty(d->display, request->requestor, request->property, d->uriList, 8, PropModeReplace,
                        (const unsigned char*)d->uris, (int)strlen(d->uris));
        reply.xselection.property = request->property;
    }
    XSendEvent(d->display, request->requestor, False, NoEventMask, &reply);
    XFlush(d->display);
}

/* Waits for the next event until the deadline; 0 when the time is up. */
static int next_event(Display* display, time_t deadline, XEvent* event)
{
    while (!XPending(display)) {
        const time_t now = time(NULL);
        if (now >= deadline)
            return 0;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        struct timeval wait = {1, 0};
        select(ConnectionNumber(display) + 1, &fds, NULL, NULL, &wait);
    }
    XNextEvent(display, event);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: xdnd-drop WINDOW X Y FILE...\n");
        return 2;
    }
    Drag d;
    memset(&d, 0, sizeof(d));
    d.display = XOpenDisplay(NULL);
    if (!d.display) {
        fprintf(stderr, "xdnd-drop: no X display\n");
        return 1;
    }
    d.target = (Window)strtoul(argv[1], NULL, 0);
    const long x = strtol(argv[2], NULL, 10);
    const long y = strtol(argv[3], NULL, 10);
    d.uris = uri_list(argc - 4, argv + 4);
    if (!d.uris)
        return 1;
    d.enter = XInternAtom(d.display, "XdndEnter", False);
    d.position = XInternAtom(d.display, "XdndPosition", False);
    d.status = XInternAtom(d.display, "XdndStatus", False);
    d.drop = XInternAtom(d.display, "XdndDrop", False);
    d.finished = XInternAtom(d.display, "XdndFinished", False);
    d.selection = XInternAtom(d.display, "XdndSelection", False);
    d.actionCopy = XInternAtom(d.display, "XdndActionCopy", False);
    d.uriList = XInternAtom(d.display, "text/uri-list", False);

    d.source = XCreateSimpleWindow(d.display, DefaultRootWindow(d.display), -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d.display, d.selection, d.source, CurrentTime);

    send_message(&d, d.enter, (long)kVersion << 24, (long)d.uriList, None, None);
    send_message(&d, d.position, 0, (x << 16) | (y & 0xFFFF), CurrentTime, (long)d.actionCopy);

    const time_t deadline = time(NULL) + kTimeoutSeconds;
    int dropped = 0;
    int result = 1;
    XEvent event;
    while (next_event(d.display, deadline, &event)) {
        if (event.type == SelectionRequest) {
            answer_request(&d, &event.xselectionrequest);
        } else if (event.type == ClientMessage && event.xclient.message_type == d.status && !dropped) {
            if (!(event.xclient.data.l[1] & 1)) {
                fprintf(stderr, "xdnd-drop: the window does not take the files at %ld,%ld\n", x, y);
                break;
            }
            send_message(&d, d.drop, 0, CurrentTime, 0, 0);
            dropped = 1;
        } else if (event.type == ClientMessage && event.xclient.message_type == d.finished) {
            result = 0;
            break;
        }
    }
    if (result != 0 && dropped)
        fprintf(stderr, "xdnd-drop: the drop was not finished in %d s\n", kTimeoutSeconds);
    else if (result != 0 && !dropped)
        fprintf(stderr, "xdnd-drop: no answer from the window\n");
    XDestroyWindow(d.display, d.source);
    XCloseDisplay(d.display);
    free(d.uris);
    return result;
}
