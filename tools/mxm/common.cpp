// common.cpp — module reading and command-line helpers shared by the subcommands.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "validate.h"

#ifdef MXM_HAVE_EMBEDDED
#include "embedded.h"
#endif

namespace mxmtool {

namespace {

int readFile(const std::string& path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "mxm: %s: %s\n", path.c_str(), std::strerror(errno));
        return EXIT_FAILED;
    }
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
    bool failed = std::ferror(f) != 0;
    int savedErrno = errno;
    std::fclose(f);
    if (failed) {
        std::fprintf(stderr, "mxm: %s: read error: %s\n", path.c_str(), std::strerror(savedErrno));
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace

int readModule(const std::string& source, ModuleImage& image) {
    image.bytes.clear();
    if (source == "--embedded") {
        image.name = "embedded module";
#ifdef MXM_HAVE_EMBEDDED
        // A copy: loading decodes the samples in place, the game's block stays as built.
        const uint8_t* data = assets::moduleData();
        image.bytes.assign(data, data + assets::moduleLength());
#else
        std::fprintf(stderr, "mxm: this build has no embedded module\n");
        return EXIT_FAILED;
#endif
    } else {
        image.name = source;
        if (int status = readFile(source, image.bytes)) return status;
    }
    mxm::ValidationError error;
    if (!mxm::validateModule(image.bytes.data(), image.bytes.size(), &error)) {
        std::fprintf(stderr, "mxm: %s: invalid module at byte %llu: %s\n", image.name.c_str(),
                     static_cast<unsigned long long>(error.offset), error.message);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int usageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "mxm %s: %s\nTry 'mxm %s --help'.\n", command, message.c_str(), command);
    return EXIT_USAGE;
}

int takeModuleArg(const char* command, const char* arg, const char*& file) {
    if (std::strcmp(arg, "--embedded") != 0 && arg[0] == '-' && arg[1] != 0)
        return usageError(command, std::string("unknown option '") + arg + "'");
    if (file != nullptr) return usageError(command, "more than one module given");
    file = arg;
    return EXIT_OK;
}

bool parseUnsigned(const char* text, uint64_t min, uint64_t max, uint64_t& value) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != 0 || v < min || v > max) return false;
    value = v;
    return true;
}

bool parsePositiveReal(const char* text, double& value) {
    if (text == nullptr || *text == 0) return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (errno != 0 || *end != 0 || !std::isfinite(v) || v <= 0) return false;
    value = v;
    return true;
}

}  // namespace mxmtool
