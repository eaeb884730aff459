/* Input translation (platform/input.cpp) names keys by SDL scancode and takes the
 * values from SDL's own header, which pulls in the build machine's SDL configuration
 * through this name. A Windows build calls nothing of SDL, so the plain C headers are
 * all it needs to say. */
#pragma once
#define HAVE_STDARG_H 1
#define HAVE_STDDEF_H 1
#define HAVE_STDINT_H 1
