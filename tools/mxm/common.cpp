// common.cpp — module reading and command-line helpers shared by the subcommands.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "player/format.h"
#include "player/validate.h"
#include "tools/common/input_file.h"
#include "tools/common/message.h"
#include "tools/mxm/commands.h"

#ifdef MXM_HAVE_EMBEDDED
#include "assets/embedded.h"
#endif

namespace mxmtool {

namespace {

int fileError(const std::string& path, const char* what, int err) {
    toolio::printMessage(stderr, "mxm", path + ": " + what + std::strerror(err));
    return EXIT_FAILED;
}

// `whose`: "any module", or "its header" when the header was read.
int tooLarge(const std::string& path, uint64_t limit, const char* whose) {
    toolio::printMessage(
        stderr, "mxm", path + ": longer than the " + std::to_string(limit) + " bytes " + whose + " lets a module use");
    return EXIT_FAILED;
}

// How far a module with this header can reach: every table entry and the sample block
// start below 4 GiB; an instrument is its head and at most 256 sample records (its
// sample map holds bytes); a pattern is its row count and at most 256 rows of 32
// six-byte cells and a terminator; the sample block is sampleBytes8 bytes and
// sampleWords16 words. Nothing the player reads lies further.
uint64_t moduleReach(const uint8_t* header) {
    constexpr uint64_t MAX_INSTRUMENT = mxm::INSTRUMENT_HEAD_BYTES + 256 * mxm::SAMPLE_RECORD_BYTES;
    constexpr uint64_t MAX_PATTERN = 4 + 256 * (32 * 6 + 1);
    const uint8_t* instrumentTable = header + mxm::HEADER_BYTES - 4 * mxm::OFFSET_TABLE_ENTRIES;
    const uint8_t* patternTable = instrumentTable + 4 * 128;
    uint64_t reach = mxm::HEADER_BYTES;
    for (int n = 0; n < 128; ++n) reach = std::max(reach, mxm::read32(instrumentTable + 4 * n) + MAX_INSTRUMENT);
    for (int n = 0; n < 256; ++n) reach = std::max(reach, mxm::read32(patternTable + 4 * n) + MAX_PATTERN);
    uint64_t sampleBlockEnd =
        uint64_t{mxm::read32(header + 28)} + mxm::read32(header + 32) + 2 * uint64_t{mxm::read32(header + 36)};
    return std::max(reach, sampleBlockEnd);
}

// Appends up to `limit` bytes in all to `out`; false with errno on a read error.
bool readUpTo(int fd, uint64_t limit, std::vector<uint8_t>& out) {
    uint8_t buffer[65536];
    while (out.size() < limit) {
        ssize_t n = ::read(fd, buffer, static_cast<size_t>(std::min<uint64_t>(sizeof buffer, limit - out.size())));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    return true;
}

// The header first; then only as far as it says the module reaches, and one byte more
// to tell a longer file or an endless stream (/dev/zero), which is refused. A header
// without the magic is not read past: the validator refuses it.
int readBounded(const std::string& path, int fd, std::vector<uint8_t>& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return fileError(path, "", errno);
    if (S_ISDIR(st.st_mode)) return fileError(path, "", EISDIR);
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > MAX_MODULE_BYTES)
        return tooLarge(path, MAX_MODULE_BYTES, "the format");
    if (!readUpTo(fd, mxm::HEADER_BYTES, out)) return fileError(path, "read error: ", errno);
    if (out.size() < mxm::HEADER_BYTES || mxm::moduleMagic(out.data()) != mxm::MODULE_MAGIC) return EXIT_OK;
    uint64_t reach = moduleReach(out.data());
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > reach) return tooLarge(path, reach, "its header");
    if (!readUpTo(fd, reach + 1, out)) return fileError(path, "read error: ", errno);
    if (out.size() > reach) return tooLarge(path, reach, "its header");
    return EXIT_OK;
}

int readFile(const std::string& path, std::vector<uint8_t>& out) {
    int fd = toolio::openInput(path);
    if (fd < 0) return fileError(path, "", errno);
    int status = readBounded(path, fd, out);
    ::close(fd);
    if (status != EXIT_OK) out.clear();
    return status;
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
        toolio::printMessage(
            stderr, "mxm",
            image.name + ": invalid module at byte " + std::to_string(error.offset) + ": " + error.message);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int usageError(const char* command, const std::string& message) {
    toolio::printMessage(stderr, (std::string("mxm ") + command).c_str(), message);
    std::fprintf(stderr, "Try 'mxm %s --help'.\n", command);
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
