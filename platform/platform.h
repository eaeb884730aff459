// platform.h — what the game asks of the system: one window with its keys, a clock, a
// way out, textures, a frame of backdrop and sprites, and a higher thread priority.
// The sound ring is sound_ring.h. Each backend (sdl/, windows/, web/, headless/)
// implements every call here in its own terms; the game links exactly one.
//
//   platform::openWindow("Skarvo", 640, 480);           // false: lastError() says why
//   platform::openDevice();
//   platform::Texture* t = platform::createTexture(png, length, platform::COLOUR_KEY_BLACK);
//   platform::SpriteBatch* batch = platform::createSpriteBatch();
//   for (;;) {
//       uint32_t now = platform::clockMs();
//       platform::Event e;
//       if (platform::pollEvent(&e)) apply(e);        // at most one a frame
//       platform::beginFrame(0xFF000000, 0.9999847f);
//       platform::drawBackdrop(t, world, quad);
//       platform::spriteBegin(batch); ... platform::spriteDraw(...); ... platform::spriteEnd(batch);
//       platform::present();
//   }
//
// Units: back-buffer pixels (640 × 480, y downwards) for sprites; clip space (x and y
// from -1 to +1, y upwards; depth 0 near to 1 far) for the backdrop; milliseconds for
// the clock; colours as ARGB, 8 bits a channel. Every call is made on the game's thread
// except raiseThreadPriority, which any thread makes for itself.
#pragma once

#include <cstdint>

#include "math/matrix.h"

namespace platform {

constexpr int BACK_BUFFER_WIDTH = 640;
constexpr int BACK_BUFFER_HEIGHT = 480;

// [SECTION] window and events

// The game's keys; every other key is the system's (or nobody's).
enum class Key : uint8_t { LEFT, RIGHT, UP, DOWN, SPACE, ESCAPE };

enum class EventType : uint8_t {
    KEY_DOWN,  // also each auto-repeat of a held key (repeat set)
    KEY_UP,
    CLOSE,  // the user closed the window (close box, Alt+F4, the window manager)
};

struct Event {
    EventType type;
    Key key;      // KEY_DOWN and KEY_UP only
    bool repeat;  // KEY_DOWN only: the keyboard's auto-repeat of a key already down
};

// Opens the one window, captioned `title`, at the top left of the screen, for a
// `width` × `height` back buffer, shown at once with the mouse cursor hidden over it.
// False when there is no display or no window could be made (lastError() says why).
bool openWindow(const char* title, int width, int height);
// Takes at most one pending event into `out`; false when none is waiting. Never
// blocks. Keys are reported by their physical position (every layout works); losing
// the focus lets go of held keys (a KEY_UP each); the system's own keys (fullscreen on
// F11 or Alt+Enter, key-downs while Alt is held) are never the game's events.
bool pollEvent(Event* out);
// Ends the process at once with `code`: nothing is released, standard output and
// error are flushed.
[[noreturn]] void exitProcess(int code);
// A short description of the last failure of a platform call ("" if none).
const char* lastError();

// [SECTION] clock

// Milliseconds as an unsigned 32-bit count that wraps (after about 49.7 days); take
// differences as unsigned 32-bit subtraction and they stay right across the wrap.
uint32_t clockMs();

// [SECTION] frame

// The graphics device for the window: a back buffer of the window's size with depth.
// False when there is none (lastError() says why).
bool openDevice();

// Clears the back buffer to `argb` and the depth to `depth` (0..1), and sets up the
// frame: from here until present() the backdrop and the sprite batch may be drawn.
void beginFrame(uint32_t argb, float depth);

// One vertex of the backdrop quad: a position (through the world transform into clip
// space), a normal (facing the viewer; lit fully whatever it is) and texture
// coordinates with wrap addressing (v from -1 to 0 shows the image once, upright).
struct QuadVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 32);

struct Texture;  // an image decoded at start-up: power-of-two size, colour key applied

// Draws `quad` (top left, top right, bottom left, bottom right: a strip of two
// triangles) at full brightness, each vertex moved by `world` (row vectors), with
// `texture`'s colours alpha-blended over the back buffer.
void drawBackdrop(Texture* texture, const math::Matrix& world, const QuadVertex quad[4]);

// Shows the back buffer in the window, scaled keeping 4:3 (centred on black), and waits
// for the display's refresh; where there is none, paces itself to 60 Hz.
void present();

// [SECTION] textures

// Opaque pixels of this colour (ARGB) become fully transparent.
constexpr uint32_t COLOUR_KEY_BLACK = 0xFF000000;

// Decodes a PNG image held in memory: RGBA, every opaque pixel equal to `colourKey`
// (ARGB; 0 for none) made fully transparent, then scaled with a smooth filter to the
// next power of two of each side. Null on bad data (lastError() says why), never a crash.
Texture* createTexture(const uint8_t* png, uint32_t length, uint32_t colourKey);
// The texture's size in texels (powers of two); 0 for null.
int textureWidth(const Texture* texture);
int textureHeight(const Texture* texture);

// [SECTION] sprite batch

struct SpriteBatch;

// The one sprite batch, its transform the identity.
SpriteBatch* createSpriteBatch();
// Between begin and end each draw records one sprite: the whole texture, one pixel per
// texel, with the texel `centre` placed on `position` (back-buffer pixels; z is the
// depth, 0 near to 1 far), then the transform current at the draw applied, every
// texel multiplied by `argb`. A null texture draws nothing.
void spriteBegin(SpriteBatch* batch);
void spriteDraw(SpriteBatch* batch, Texture* texture, const math::Vec3& centre, const math::Vec3& position,
                uint32_t argb);
math::Matrix spriteGetTransform(const SpriteBatch* batch);
void spriteSetTransform(SpriteBatch* batch, const math::Matrix& transform);
// Draws the batch back to front by depth after each draw's transform (stable for equal
// depth), alpha-blended.
void spriteEnd(SpriteBatch* batch);

// [SECTION] threads

// Raises the calling thread to the highest ordinary priority the system grants it
// (best effort; the sound's streaming thread calls it for itself).
void raiseThreadPriority();

}  // namespace platform
