// quorvel-replay: runs the game headless from a key script; see replay.h.
#include <cstdio>
#include <string>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "session/replay.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // A trace or shot list piped from the harness is the bytes it writes to a file, on every
    // build: the C runtime's text mode would write each "\n" as "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    session::Options options;
    std::string error;
    if (!session::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quorvel-replay: %s\n%s", error.c_str(), session::kUsage);
        return 2;
    }
    return session::Run(options);
}
