// last_error.cpp — the text behind lastError(), for every backend.
#include "platform/last_error.h"

#include <cstdio>

#include "platform/platform.h"

namespace platform {

namespace {
char errorText[256] = "";
}

void setLastError(const char* what, const char* detail) {
    std::snprintf(errorText, sizeof errorText, "%s%s%s", what, detail && *detail ? ": " : "", detail ? detail : "");
}

const char* lastError() { return errorText; }

}  // namespace platform
