// The Linux and the Windows build on the same key scripts: their harnesses must write the same
// trace line for line, and screenshots of the same frames may differ by at most 2 in a channel
// (two correct rasterisers may still split a pixel on a triangle edge differently: a few such
// pixels, at most 0.01% of a picture, are allowed and counted). The Windows harness runs through
// Wine on its real Direct3D 9. And a game recorded on either build replays on the other to the
// recording game's own trace.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/png_file.h"

namespace fs = std::filesystem;

namespace {

struct Script {
    const char* name;
    int frames;  // asked for
    int ran;     // run before Escape ends it, or all of them
    std::vector<int> shots;
};

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

const Script kScripts[] = {
    {"drive-fire", 300, 300, {1, 130, 300}},
    {"enemy-hit", 320, 320, {294, 320}},
    {"camera", 260, 241, {40, 100, 240}},
};

std::vector<std::string> Lines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Runs one harness from the repository root; its exit code.
int RunHarness(const std::string& launcher, const std::string& exe, const Script& script, const fs::path& out)
{
    std::string command = launcher + exe + " --frames " + std::to_string(script.frames) +
                          " --keys tests/data/cross/" + script.name + ".keys --frame-time 0.02 --uncapped" +
                          " --trace " + (out / "trace.jsonl").string();
    for (int frame : script.shots)
        command += " --shot " + std::to_string(frame) + ":" + (out / ("frame" + std::to_string(frame) + ".png")).string();
    command += " >" + (out / "stdout").string() + " 2>" + (out / "stderr").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CrossBuild : public testing::TestWithParam<Script> {};

TEST_P(CrossBuild, SameTraceAndPicturesWithinTwoLevels)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "Wine's Direct3D needs an X display (scripts/build-windows --test starts one)";
    const Script& script = GetParam();
    const fs::path dir = fs::path(QV_CROSS_OUT) / script.name;
    const fs::path linuxOut = dir / "linux";
    const fs::path windowsOut = dir / "windows";
    fs::remove_all(dir);
    fs::create_directories(linuxOut);
    fs::create_directories(windowsOut);

    ASSERT_EQ(RunHarness("SDL_VIDEODRIVER=offscreen QV_HEADLESS=1 ", QV_LINUX_REPLAY, script, linuxOut), 0) << linuxOut;
    ASSERT_EQ(RunHarness(std::string(QV_SOURCE_DIR) + "/scripts/wine-run ", QV_WINDOWS_REPLAY, script, windowsOut), 0)
        << windowsOut;

    const std::vector<std::string> a = Lines(linuxOut / "trace.jsonl");
    const std::vector<std::string> b = Lines(windowsOut / "trace.jsonl");
    EXPECT_EQ(a.size(), size_t(script.ran) + 1);  // the first line is the world before frame 1
    EXPECT_EQ(a.size(), b.size());
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        ASSERT_EQ(a[i], b[i]) << "first difference on line " << i + 1;
    }

    for (int frame : script.shots) {
        const std::string file = "frame" + std::to_string(frame) + ".png";
        PngPixels p, q;
        ASSERT_TRUE(ReadPng((linuxOut / file).string(), &p, 3)) << file;
        ASSERT_TRUE(ReadPng((windowsOut / file).string(), &q, 3)) << file;
        ASSERT_EQ(p.width, q.width);
        ASSERT_EQ(p.height, q.height);
        int largest = 0;
        size_t beyond = 0;
        for (size_t i = 0; i < p.bytes.size(); i += 3) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(p.bytes[i + c]) - int(q.bytes[i + c])));
            largest = std::max(largest, worst);
            beyond += worst > 2;
        }
        const size_t pixels = size_t(p.width) * size_t(p.height);
        std::printf("%s %s: largest channel difference %d, %zu of %zu pixels beyond 2\n", script.name, file.c_str(),
                    largest, beyond, pixels);
        EXPECT_LE(beyond * 10000, pixels) << file << ": more than 0.01% of pixels differ by more than 2";
    }
}

// Runs a command from the repository root; its exit code.
int RunCommand(const std::string& command)
{
    const std::string line = "cd " + std::string(QV_SOURCE_DIR) + " && " + command;
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CrossBuildRecordings, EachBuildsRecordingReplaysOnTheOtherToTheSameTrace)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "Wine's Direct3D needs an X display (scripts/build-windows --test starts one)";
    const fs::path dir = fs::path(QV_CROSS_OUT) / "recordings";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string d = dir.string() + "/";
    const std::string z = "Z:" + d;  // the same directory as Wine's programs see it
    std::ofstream(dir / "keys") << "1-40 W\n10 SPACE\n41-60 A\n55 2\n61 ESC\n";
    const std::string onLinux = "SDL_VIDEODRIVER=offscreen QV_HEADLESS=1 ";
    const std::string onWine = std::string(QV_SOURCE_DIR) + "/scripts/wine-run ";

    // Played on Windows, replayed by the Linux harness; played on Linux, replayed by the Windows game.
    ASSERT_EQ(RunCommand(onWine + QV_WINDOWS_GAME + " --keys " + z + "keys --record " + z + "windows.keys --trace " + z +
                  "windows.json >" + d + "windows.out 2>&1"), 0);
    ASSERT_EQ(RunCommand(onLinux + QV_LINUX_REPLAY + " --keys " + d + "windows.keys --trace " + d + "windows-on-linux.json >" + d +
                  "replay.out 2>&1"), 0);
    ASSERT_EQ(RunCommand(onLinux + QV_LINUX_GAME + " --keys " + d + "keys --record " + d + "linux.keys --trace " + d +
                  "linux.json >" + d + "linux.out 2>&1"), 0);
    ASSERT_EQ(RunCommand(onWine + QV_WINDOWS_GAME + " --keys " + z + "linux.keys --trace " + z + "linux-on-windows.json >" + d +
                  "windows-replay.out 2>&1"), 0);

    const std::pair<const char*, const char*> kReplays[] = {{"windows.json", "windows-on-linux.json"},
                                                            {"linux.json", "linux-on-windows.json"}};
    for (const auto& [played, replayed] : kReplays) {
        const std::vector<std::string> a = Lines(dir / played);
        EXPECT_EQ(a.size(), 62u) << played;  // the world before frame 1, and 61 frames up to Escape
        EXPECT_EQ(a, Lines(dir / replayed)) << replayed;
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, CrossBuild, testing::ValuesIn(kScripts),
                         [](const testing::TestParamInfo<Script>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
