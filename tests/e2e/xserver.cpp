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

std::string windowName(XServer& x, Window w) {
    char* raw = nullptr;
    std::string name = XFetchName(x.display, w, &raw) && raw ? raw : "";
    if (raw) XFree(raw);
    return name;
}

Window findNamed(XServer& x, Window parent, const char* title, int depth) {
    Window root = 0, parentOut = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(x.display, parent, &root, &parentOut, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes a{};
        if (windowName(x, children[i]) == title && XGetWindowAttributes(x.display, children[i], &a) &&
            a.map_state == IsViewable)
            found = children[i];
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
    server->server = spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                            "-nolisten", "tcp", "-noreset"},
                           {}, "/dev/null");
    close(fds[1]);
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') line += c;
    close(fds[0]);
    if (server->server.pid <= 0 || c != '\n' || line.empty()) {
        kill(server->server);
        return false;
    }
    server->name = ":" + line;
    XSetErrorHandler(ignoreXErrors);
    for (int i = 0; i < 200 && !(server->display = XOpenDisplay(server->name.c_str())); ++i) sleepMs(50);
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

Window waitForWindow(XServer& x, const char* title, int timeoutMs) {
    int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        Window w = findNamed(x, DefaultRootWindow(x.display), title, 0);
        if (w || nowMs() >= deadline) return w;
        sleepMs(10);
    }
}

Geometry frameGeometry(XServer& x, Window w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    while (XQueryTree(x.display, w, &root, &parent, &children, &count)) {
        if (children) XFree(children);
        if (parent == root || parent == 0) break;
        w = parent;
    }
    XWindowAttributes a{};
    Window child = 0;
    int gx = 0, gy = 0;
    if (!XGetWindowAttributes(x.display, w, &a)) return {};
    XTranslateCoordinates(x.display, w, DefaultRootWindow(x.display), 0, 0, &gx, &gy, &child);
    const int b = a.border_width;
    return {gx - b, gy - b, a.width + 2 * b, a.height + 2 * b};
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
    for (int i = 0; cursor && i < cursor->width * cursor->height; ++i) invisible &= !(cursor->pixels[i] >> 24 & 0xFF);
    if (cursor) XFree(cursor);
    return invisible;
}

Image grab(XServer& x, Window w) {
    Image image;
    XWindowAttributes a{};
    XImage* xi = nullptr;
    if (XGetWindowAttributes(x.display, w, &a))
        xi = XGetImage(x.display, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!xi) return image;
    image = {a.width, a.height, std::vector<uint8_t>(size_t(a.width) * a.height * 3)};
    const unsigned long masks[3] = {xi->red_mask, xi->green_mask, xi->blue_mask};
    for (int yy = 0; yy < a.height; ++yy)
        for (int xx = 0; xx < a.width; ++xx)
            for (int c = 0; c < 3; ++c)
                image.rgb[(size_t(yy) * a.width + xx) * 3 + c] =
                    uint8_t((XGetPixel(xi, xx, yy) & masks[c]) >> __builtin_ctzl(masks[c]));
    XDestroyImage(xi);
    return image;
}

void sendCloseRequest(XServer& x, Window w) {
    XEvent e{};
    e.xclient = {ClientMessage, 0, False, x.display, w, XInternAtom(x.display, "WM_PROTOCOLS", False), 32, {}};
    e.xclient.data.l[0] = long(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
    XSendEvent(x.display, w, False, NoEventMask, &e);
    XSync(x.display, False);
}

bool xdotool(XServer& x, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Child c = spawn(argv, {"DISPLAY=" + x.name});
    int status = 0;
    bool ended = waitFor(c, 20000, &status);
    kill(c);
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool savePng(const Image& image, const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width), png.height = png_uint_32(image.height), png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

bool decodePng(const uint8_t* data, size_t size, Image* image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) return false;
    png.format = PNG_FORMAT_RGB;
    *image = {int(png.width), int(png.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(png))};
    const png_color black{0, 0, 0};
    return png_image_finish_read(&png, &black, image->rgb.data(), 0, nullptr) != 0;
}

}  // namespace e2e
