// binary_stdio.cpp — linked into the Windows builds of the tools: the standard
// streams in binary mode from the start, so "\n" stays "\n" and raw PCM stays raw,
// and the output is the same bytes as on Linux.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

const int binaryStdio = [] {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return 0;
}();

}  // namespace
