// Broken asset sets: for every file of Models/, a copy of the tree in which that file is empty,
// cut in half, random bytes of the same length, flipped in a few bits, or given one huge count
// or size; the harness runs 30 frames with keys held on each. Every run must end by itself with
// exit code 0 and the game's own message for what failed; a ground texture that does not load
// ends start-up with the "fail!ENGINE" message and exit code 1. A sanitizer report fails the run.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// One count or size of the file made huge: an X file's first vertex count, a bitmap's width,
// a DDS surface's width.
std::string WithHugeCount(std::string bytes, const std::string& name)
{
    auto put32 = [&](size_t at) {
        if (bytes.size() >= at + 4) std::memcpy(&bytes[at], "\xff\xff\xff\x7f", 4);
    };
    if (name.size() > 2 && name.compare(name.size() - 2, 2, ".x") == 0) {
        size_t mesh = bytes.find("Mesh ");
        size_t open = bytes.find('{', mesh == std::string::npos ? 0 : mesh);
        size_t digits = bytes.find_first_of("0123456789", open == std::string::npos ? 0 : open);
        size_t end = bytes.find_first_not_of("0123456789", digits);
        if (digits != std::string::npos) bytes.replace(digits, end - digits, "4000000000");
    } else if (bytes.compare(0, 2, "BM") == 0) {
        put32(18);
    } else if (bytes.compare(0, 4, "DDS ") == 0) {
        put32(16);
    }
    return bytes;
}

struct Mutation {
    const char* name;
    bool mustFail;  // a file so broken no loader may take it
};
const Mutation kMutations[] = {
    {"empty", true}, {"truncated", true}, {"random", true}, {"flipped", false}, {"huge", true}};

std::string Mutate(const std::string& original, const std::string& file, const std::string& how)
{
    std::seed_seq seed(file.begin(), file.end());
    std::mt19937 rng(seed);
    std::string bytes = original;
    if (how == "empty") return "";
    if (how == "truncated") return bytes.substr(0, bytes.size() / 2);
    if (how == "random") {
        for (char& c : bytes) c = char(rng() & 0xFF);
    } else if (how == "flipped") {
        for (int i = 0; i < 16 && !bytes.empty(); ++i) bytes[rng() % bytes.size()] ^= char(1u << (rng() % 8));
    } else {
        bytes = WithHugeCount(bytes, file);
    }
    return bytes;
}

// The message boxes of a run, as the harness prints them: "caption: text" lines.
std::vector<std::string> Boxes(const std::string& err)
{
    std::vector<std::string> boxes;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        for (const char* caption : {"Load XMesh: ", "MeshTex Load: ", "fail!ENGINE: ", "FPS info: "}) {
            if (line.rfind(caption, 0) == 0) boxes.push_back(line);
        }
    }
    return boxes;
}

class BrokenAssets : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/qv-broken-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        // The game retries a model one directory up; nothing may answer there.
        run_ = root_ / "run";
        fs::create_directories(run_);
        fs::copy(QV_MODELS_DIR, run_ / "Models");
        WriteFile(root_ / "keys", "1-30 W A SPACE 1\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs the harness in the copy; its exit code, with stdout and stderr.
    int Replay(std::string* out, std::string* err)
    {
        const std::string command = "cd " + run_.string() + " && timeout 300 " QV_REPLAY_EXE
                                    " --frames 30 --frame-time 0.02 --uncapped --keys ../keys >../out 2>../err";
        const int status = std::system(command.c_str());
        *out = ReadFile(root_ / "out");
        *err = ReadFile(root_ / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path root_;
    fs::path run_;
};

TEST_P(BrokenAssets, EveryRunEndsAndSaysWhatFailed)
{
    const std::string file = GetParam();
    const fs::path target = run_ / "Models" / file;
    const std::string original = ReadFile(target);
    const bool isModel = file.size() > 2 && file.compare(file.size() - 2, 2, ".x") == 0;
    const bool isGround = file == "fontN.dds";

    for (const Mutation& m : kMutations) {
        SCOPED_TRACE(file + " " + m.name);
        WriteFile(target, Mutate(original, file, m.name));
        std::string out, err;
        const int code = Replay(&out, &err);
        for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"})
            ASSERT_EQ(err.find(report), std::string::npos) << err;

        const std::vector<std::string> boxes = Boxes(err);
        const bool failed = !boxes.empty();
        if (m.mustFail) {
            ASSERT_TRUE(failed) << err;
        }
        if (isGround) {
            EXPECT_EQ(code, failed ? 1 : 0) << err;
            if (failed) {
                EXPECT_EQ(boxes, std::vector<std::string>{"fail!ENGINE: Could not load the ground texture Models/fontN.dds"});
            }
            continue;
        }
        EXPECT_EQ(code, 0) << err;
        EXPECT_NE(out.find("30 frames"), std::string::npos) << out;
        // Only the file's own message, as often as the models load it.
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (isModel) {
                ASSERT_EQ(boxes[i], i % 2 ? "Load XMesh: Models/" + file : "Load XMesh: Could not find X file") << err;
            } else {
                ASSERT_EQ(boxes[i], "MeshTex Load: Could not find texture map") << err;
            }
        }
        if (isModel && file == "tank0.x" && failed) {
            EXPECT_EQ(boxes.size(), 4u) << err;  // the spare tank loads it too
        }
    }
    WriteFile(target, original);
}

std::vector<std::string> ModelFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(QV_MODELS_DIR)) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Models, BrokenAssets, ::testing::ValuesIn(ModelFiles()), CaseName);

}  // namespace
