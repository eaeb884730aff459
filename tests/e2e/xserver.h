// xserver.h — a private Xvfb server and what the end-to-end tests look at through Xlib.
// Units: pixels; milliseconds for timeouts.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"

namespace e2e {

struct XServer {
    Child server;
    std::string name;  // ":N"
    Display* display = nullptr;
};

// RGB pixels, row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

bool startXvfb(XServer* server);
void stopXvfb(XServer* server);

// The top-level window whose name is exactly `title` and that is mapped; 0 on timeout.
Window waitForWindow(XServer& x, const char* title, int timeoutMs);
// The place and size of the window manager's frame around `w` (its ancestor just
// below the root), border included; of `w` itself when unmanaged.
Geometry frameGeometry(XServer& x, Window w);
// Moves the pointer to screen position (px, py) and reports whether the cursor image
// shown there has no visible pixel (XFixes). `known` is false when XFixes is missing.
bool cursorInvisibleAt(XServer& x, int px, int py, bool* known);
// The window's pixels (its client area).
Image grab(XServer& x, Window w);
// Sends WM_PROTOCOLS/WM_DELETE_WINDOW, as a window manager does for its close button.
void sendCloseRequest(XServer& x, Window w);
// Runs xdotool with the given arguments against this server; true on exit code 0.
bool xdotool(XServer& x, const std::vector<std::string>& args);

bool savePng(const Image& image, const std::string& path);
// Decodes PNG bytes into RGB composited over black (what a transparent pixel over the
// cleared back buffer shows); false on bad data.
bool decodePng(const uint8_t* data, size_t size, Image* image);

}  // namespace e2e
