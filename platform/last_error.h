// last_error.h — private to platform/: the text behind lastError(), for every backend.
#pragma once

namespace platform {

// Records a failure: "what: detail" (just "what" when detail is empty or null).
void setLastError(const char* what, const char* detail);

}  // namespace platform
