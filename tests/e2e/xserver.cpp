#include "xserver.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <png.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace {

// Xlib's default handler ends the process on BadWindow, which happens when the game
// destroys a window while we walk the tree; the tests treat such a window as absent.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

// Reads up to the first newline, waiting at most timeoutMs for each character.
bool readLine(int fd, int timeoutMs, std::string* line) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, timeoutMs) > 0 && read(fd, &c, 1) == 1) {
        if (c == '\n') return true;
        *line += c;
    }
    return false;
}

Window findNamed(XServer& x, Window parent, const char* title, int depth) {
    Window root = 0, parentOut = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x.display, parent, &root, &parentOut, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        if (windowName(x, children[i]) == title) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(x.display, children[i], &a) && a.map_state == IsViewable) found = children[i];
        }
        if (!found && depth < 2) found = findNamed(x, children[i], title, depth + 1);
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

bool startXvfb(XServer* server) {
    // -displayfd lets the server pick a free display number and tell us which.
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::string fd = std::to_string(fds[1]);
    std::vector<std::string> argv = {"/usr/bin/Xvfb", "-displayfd", fd,    "-screen", "0",
                                     "1024x768x24",   "-nolisten",  "tcp", "-noreset"};
    server->server = spawn(argv, {}, "/dev/null");
    close(fds[1]);
    std::string line;
    bool ok = server->server.pid > 0 && readLine(fds[0], 20000, &line) && !line.empty();
    close(fds[0]);
    if (!ok) {
        kill(server->server);
        return false;
    }
    server->name = ":" + line;
    XSetErrorHandler(ignoreXErrors);
    for (int i = 0; i < 200 && !server->display; ++i) {
        server->display = XOpenDisplay(server->name.c_str());
        if (!server->display) sleepMs(50);
    }
    return server->display != nullptr;
}

void stopXvfb(XServer* server) {
    if (server->display) XCloseDisplay(server->display);
    server->display = nullptr;
    if (server->server.pid > 0 && !server->server.reaped) {
        ::kill(server->server.pid, SIGTERM);
        if (!waitFor(server->server, 5000, nullptr)) kill(server->server);
    }
}

std::string windowName(XServer& x, Window w) {
    std::string name;
    char* raw = nullptr;
    if (XFetchName(x.display, w, &raw) && raw) {
        name = raw;
        XFree(raw);
    }
    return name;
}

Window waitForWindow(XServer& x, const char* title, int timeoutMs) {
    int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        Window w = findNamed(x, DefaultRootWindow(x.display), title, 0);
        if (w || nowMs() >= deadline) return w;
        sleepMs(10);
    }
}

// The tests that look at the geometry run without a window manager, so the window is
// a child of the root and its place is its own.
Geometry windowGeometry(XServer& x, Window w) {
    Geometry g;
    XWindowAttributes a{};
    if (!XGetWindowAttributes(x.display, w, &a)) return g;
    Window child = 0;
    XTranslateCoordinates(x.display, w, DefaultRootWindow(x.display), 0, 0, &g.x, &g.y, &child);
    g.x -= a.border_width;
    g.y -= a.border_width;
    g.width = a.width + 2 * a.border_width;
    g.height = a.height + 2 * a.border_width;
    return g;
}

void focus(XServer& x, Window w) {
    XSetInputFocus(x.display, w, RevertToParent, CurrentTime);
    XSync(x.display, False);
}

bool cursorInvisibleAt(XServer& x, int px, int py, bool* known) {
    XWarpPointer(x.display, None, DefaultRootWindow(x.display), 0, 0, 0, 0, px, py);
    XSync(x.display, False);
    sleepMs(100);  // the server updates the sprite as the pointer crosses into the window
    int eventBase = 0, errorBase = 0;
    XFixesCursorImage* cursor = nullptr;
    if (XFixesQueryExtension(x.display, &eventBase, &errorBase)) cursor = XFixesGetCursorImage(x.display);
    *known = cursor != nullptr;
    bool invisible = true;
    for (int i = 0; cursor && i < cursor->width * cursor->height; ++i)
        invisible = invisible && !(cursor->pixels[i] >> 24 & 0xFF);
    if (cursor) XFree(cursor);
    return invisible;
}

Image grab(XServer& x, Window w) {
    Image image;
    XWindowAttributes a{};
    if (!XGetWindowAttributes(x.display, w, &a)) return image;
    XImage* xi = XGetImage(x.display, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!xi) return image;
    image.width = a.width;
    image.height = a.height;
    image.rgb.resize(size_t(a.width) * a.height * 3);
    const unsigned long masks[3] = {xi->red_mask, xi->green_mask, xi->blue_mask};
    for (int yy = 0; yy < a.height; ++yy)
        for (int xx = 0; xx < a.width; ++xx) {
            unsigned long p = XGetPixel(xi, xx, yy);
            for (int c = 0; c < 3; ++c)
                image.rgb[(size_t(yy) * a.width + xx) * 3 + c] = uint8_t((p & masks[c]) >> __builtin_ctzl(masks[c]));
        }
    XDestroyImage(xi);
    return image;
}

void sendCloseRequest(XServer& x, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(x.display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.display, w, False, NoEventMask, &e);
    XSync(x.display, False);
}

bool xdotool(XServer& x, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Child c = spawn(argv, {"DISPLAY=" + x.name});
    int status = 0;
    if (!waitFor(c, 20000, &status)) {
        kill(c);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool savePng(const Image& image, const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

bool decodePng(const uint8_t* data, size_t size, Image* image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) return false;
    png.format = PNG_FORMAT_RGB;
    image->width = int(png.width);
    image->height = int(png.height);
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    const png_color black{0, 0, 0};
    return png_image_finish_read(&png, &black, image->rgb.data(), 0, nullptr) != 0;
}

}  // namespace e2e
