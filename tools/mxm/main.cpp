// main.cpp — the mxm module tool: dispatch to a subcommand.
//
//   mxm info FILE            what a module holds
//   mxm render FILE -o X     render it to WAV or raw PCM
//   mxm trace FILE --ticks T the sequencer's state tick by tick, as JSON lines
//   mxm play FILE            play it on the sound output (built with the sound ring)
//
// FILE may be --embedded for the game's own module.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/common/message.h"
#include "tools/common/output_file.h"
#include "tools/mxm/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command COMMANDS[] = {
    {"info", mxmtool::runInfo, "print the header, orders, patterns and instruments of a module"},
    {"render", mxmtool::runRender, "render a module to a WAV file or raw PCM (44,100 Hz stereo 16-bit)"},
    {"trace", mxmtool::runTrace, "print the player state after each tick as one JSON object per line"},
#ifdef MXM_HAVE_PLAY
    {"play", mxmtool::runPlay, "play a module on the default sound output, showing position and levels"},
#endif
};

void printHelp(FILE* out) {
    std::fprintf(out,
                 "usage: mxm COMMAND [ARGS]\n"
                 "\n"
                 "Works on packed MXM music modules. FILE may be --embedded for the game's own module.\n"
                 "\n"
                 "commands:\n");
    for (const Command& c : COMMANDS) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
    std::fprintf(out,
                 "\n"
                 "'mxm COMMAND --help' describes a command.\n"
                 "A module is read no further than its header says it reaches, and never past\n"
                 "17,179,869,180 bytes (the most the format can use); longer input is refused.\n"
                 "Exit status: 0 success, 1 I/O error (lost output too) or invalid module, 2 usage error.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printHelp(stderr);
        return mxmtool::EXIT_USAGE;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp(stdout);
        return mxmtool::EXIT_OK;
    }
    for (const Command& c : COMMANDS) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        int status = c.run(argc - 1, argv + 1);
        // Output that did not arrive (a full disk, /dev/full) is a failure, not a success;
        // a command that failed already said why.
        std::string error;
        if (status == mxmtool::EXIT_OK && !toolio::stdoutIntact(&error)) {
            toolio::printMessage(stderr, "mxm", error);
            return mxmtool::EXIT_FAILED;
        }
        return status;
    }
#ifndef MXM_HAVE_PLAY
    if (std::strcmp(argv[1], "play") == 0) {
        std::fprintf(stderr, "mxm: play: this build has no sound output (render to a WAV file instead)\n");
        return mxmtool::EXIT_USAGE;
    }
#endif
    toolio::printMessage(stderr, "mxm", std::string("unknown command '") + argv[1] + "'");
    std::fputs("Try 'mxm --help'.\n", stderr);
    return mxmtool::EXIT_USAGE;
}
