// quorvel-replay: runs the game headless from a key script; see replay.h.
#include <cstdio>
#include <string>

#include "session/replay.h"

int main(int argc, char** argv) {
    session::Options options;
    std::string error;
    if (!session::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quorvel-replay: %s\n%s", error.c_str(), session::kUsage);
        return 2;
    }
    return session::Run(options);
}
