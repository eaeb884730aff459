// output_file.h — how the tools write their output files without ever leaving a
// half-written file under the requested name, and without replacing what is not a file.
//
//   toolio::OutputFile out;
//   std::string error;
//   if (!toolio::openOutput(path, &out, &error) || !toolio::writeOutput(&out, data, n, &error) ||
//       !toolio::closeOutput(&out, &error)) { fprintf(stderr, "tool: %s\n", error.c_str()); return 1; }
//
// Where the name leads (symbolic links followed) to a regular file, or to nothing yet,
// the bytes go to a temporary file in that file's folder, renamed over it when complete:
// a link stays a link, and a run that fails or is killed by SIGINT, SIGTERM or SIGHUP
// removes the temporary file and leaves the old file as it was. Anything else — "-"
// (standard output), a device, a FIFO, a socket, any name under /dev or /proc — is
// written into directly. Errors read "NAME: reason".
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace toolio {

struct OutputFile {
    std::string name;       // as given, for messages
    std::string finalPath;  // the file the temporary file replaces; empty when writing directly
    std::string tempPath;   // empty when writing directly
    FILE* file = nullptr;
};

bool openOutput(const std::string& name, OutputFile* out, std::string* error);
bool writeOutput(OutputFile* out, const void* data, size_t size, std::string* error);
// Flushes and closes (every error reported), then renames the temporary file into place.
// On failure the temporary file is gone and the target untouched.
bool closeOutput(OutputFile* out, std::string* error);
// Gives up: closes and removes the temporary file.
void abandonOutput(OutputFile* out);

// open + write + close in one call.
bool writeWholeFile(const std::string& name, const void* data, size_t size, std::string* error);

// For the end of a tool's run: whether everything printed to standard output got
// there (a full disk, a closed pipe). On failure `error` says why.
bool stdoutIntact(std::string* error);

}  // namespace toolio
