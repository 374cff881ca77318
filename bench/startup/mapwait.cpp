/* Starts a program and waits until one of its windows whose title is exactly TITLE is mapped
 * on the X display; prints the time from the start to that moment in ms, then asks the window
 * to close (WM_DELETE_WINDOW, as the close box does), waits for the program to end and prints
 * its peak resident set in KiB:
 *
 *   startup_mapwait TITLE program [args...]      ->  "<ms> <peak RSS KiB> <exit status>"
 *
 * Watching the root window's substructure sees every top-level map (a window manager's frame
 * or the window itself) the moment it happens, without polling. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int has_title(Display *d, Window w, const char *title)
{
    char *name = NULL;
    int same = 0;
    if (XFetchName(d, w, &name) && name) {
        same = strcmp(name, title) == 0;
        XFree(name);
    }
    return same;
}

/* The window itself, or a child of a window manager's frame, titled TITLE; 0 if none. */
static Window titled(Display *d, Window w, const char *title, int depth)
{
    Window root, parent, *children = NULL, found = 0;
    unsigned n = 0;
    if (has_title(d, w, title))
        return w;
    if (depth == 0 || !XQueryTree(d, w, &root, &parent, &children, &n))
        return 0;
    for (unsigned k = 0; k < n && !found; ++k)
        found = titled(d, children[k], title, depth - 1);
    if (children)
        XFree(children);
    return found;
}

static int ignore_errors(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0; /* a window gone between the event and the query */
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: startup_mapwait TITLE program [args...]\n");
        return 2;
    }
    const char *title = argv[1];
    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "startup_mapwait: no X display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    Window target = 0;
    double shown = 0;
    while (!target) {
        if (now_ms() - start > 60000) {
            fprintf(stderr, "startup_mapwait: no window \"%s\" within 60 s\n", title);
            kill(pid, SIGKILL);
            return 1;
        }
        if (!XPending(d)) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                fprintf(stderr, "startup_mapwait: the program ended before its window was shown\n");
                return 1;
            }
            struct timespec nap = {0, 200000};
            nanosleep(&nap, NULL);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != MapNotify)
            continue;
        const double at = now_ms();
        target = titled(d, e.xmap.window, title, 2);
        if (target)
            shown = at;
    }

    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    XEvent close;
    memset(&close, 0, sizeof close);
    close.xclient.type = ClientMessage;
    close.xclient.window = target;
    close.xclient.message_type = protocols;
    close.xclient.format = 32;
    close.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, target, False, NoEventMask, &close);
    XFlush(d);

    int status = 0;
    struct rusage usage;
    for (;;) {
        pid_t r = wait4(pid, &status, WNOHANG, &usage);
        if (r == pid)
            break;
        if (now_ms() - shown > 20000) {
            fprintf(stderr, "startup_mapwait: the program did not end after its window was closed\n");
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        struct timespec nap = {0, 2000000};
        nanosleep(&nap, NULL);
    }
    printf("%.1f %ld %d\n", shown - start, usage.ru_maxrss,
           WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    XCloseDisplay(d);
    return 0;
}
