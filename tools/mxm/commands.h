// commands.h — the subcommands of the mxm module tool and what they share.
//
// Each subcommand is one function `int runX(int argc, char** argv)` with argv[0] the
// subcommand's name; it returns the process exit status: EXIT_OK, EXIT_FAILED (I/O
// error or invalid module) or EXIT_USAGE (bad command line, message on stderr).
// A new subcommand is one more file and one more line in main.cpp's table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mxmtool {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int runInfo(int argc, char** argv);
int runRender(int argc, char** argv);
int runTrace(int argc, char** argv);
int runPlay(int argc, char** argv);  // play.cpp: live playback through the game's sound output

// The most any module can use: its sample block may start just below 4 GiB and hold
// 4 GiB - 1 bytes of 8-bit points and 4 GiB - 1 words of 16-bit points. A module is
// read no further than its own header says it reaches (see common.cpp), so /dev/zero
// or a long file is refused after its header.
constexpr uint64_t MAX_MODULE_BYTES = 4 * 0xFFFFFFFFull;

// A module read from a file, or the game's embedded one ("--embedded").
struct ModuleImage {
    std::string name;            // for messages
    std::vector<uint8_t> bytes;  // the packed image, validated
};

// Reads and validates the module named by `source` (a path or "--embedded").
// Returns EXIT_OK, or EXIT_FAILED after printing the reason on stderr.
int readModule(const std::string& source, ModuleImage& image);

// Prints "mxm COMMAND: message" and a pointer to the help on stderr; returns EXIT_USAGE.
int usageError(const char* command, const std::string& message);

// Takes a command-line word that is none of the command's options as the module (a
// path or "--embedded") into `file`. A usage error (EXIT_USAGE) if it looks like an
// option or a module was already given; else EXIT_OK.
int takeModuleArg(const char* command, const char* arg, const char*& file);

// Strict number parsing: the whole text, in range; false otherwise.
bool parseUnsigned(const char* text, uint64_t min, uint64_t max, uint64_t& value);
bool parsePositiveReal(const char* text, double& value);

}  // namespace mxmtool
