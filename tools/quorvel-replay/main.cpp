// quorvel-replay: runs the game headless from a key script; see replay.h.
#include <cstdio>
#include <string>

#include "session/replay.h"

int main(int argc, char** argv) {
    replay::Options options;
    std::string error;
    if (!replay::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quorvel-replay: %s\n%s", error.c_str(), replay::kUsage);
        return 2;
    }
    return replay::Run(options);
}
