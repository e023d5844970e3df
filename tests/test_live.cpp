// The real game executable with its own command line, under the offscreen driver and the real
// clock: keys played into its window, the game recorded and traced, the recording replayed by
// the harness and by the game itself to the same trace; killed games and unwritable recordings.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_run_support.h"
#include "session/key_script.h"
#include "session/live_session.h"

using session::KeyScript;

namespace {

// A drive that uses every key, the camera keys (whose moves scale with the frame time) often.
const char kDrive[] =
    "1 A SPACE\n"
    "2-60 A\n"
    "30-90 1\n"
    "61-126 W\n"
    "100-150 2 S\n"
    "127 W SPACE\n"
    "160-200 1 D\n"
    "171 D SPACE 3\n"
    "201-299 S A\n"
    "250-280 2\n"
    "300 ESC\n";

KeyScript ParseFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    KeyScript script;
    EXPECT_TRUE(in) << path;
    EXPECT_TRUE(script.Parse(in, error)) << *error;
    return script;
}

class LiveGame : public RunDirTest {
protected:
    // The game, run from here with its data in the source tree.
    std::string Game(const std::string& args) const {
        return std::string(QUORVEL_EXE) + " --data-dir " + QV_SOURCE_DIR + " " + args;
    }
    // The harness runs where Models/ is.
    std::string Replay(const std::string& args) const {
        return std::string("cd ") + QV_SOURCE_DIR + " && " + QV_REPLAY_EXE + " " + args;
    }
    size_t Count(const std::string& text, const std::string& what) const {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

TEST_F(LiveGame, RecordingReplaysToTheLiveTraceLineForLine) {
    WriteFile("drive.keys", kDrive);
    ASSERT_EQ(Run(Game("--keys " + Path("drive.keys") + " --record " + Path("game.keys") + " --trace " +
                       Path("live.trace"))),
              0)
        << err_;
    std::vector<std::string> live = Lines("live.trace");
    ASSERT_EQ(live.size(), 301u);  // set-up and frames 1 to 300, the last with Escape
    EXPECT_NE(live[90].find("\"camera\":[0,0,-"), std::string::npos);
    EXPECT_EQ(live[90].find("\"camera\":[0,0,-500]"), std::string::npos) << "the camera keys moved it";

    // The recording holds, for every frame, the keys the game saw: those the drive fed it.
    std::string error;
    KeyScript drive = ParseFile(Path("drive.keys"), &error);
    KeyScript recording = ParseFile(Path("game.keys"), &error);
    EXPECT_TRUE(recording.IsRecording());
    ASSERT_EQ(recording.LastFrame(), 300);
    for (int64_t frame = 1; frame <= 300; ++frame) {
        float seconds = 0.0f;
        ASSERT_EQ(recording.Held(frame), drive.Held(frame)) << frame;
        ASSERT_TRUE(recording.FrameTime(frame, &seconds)) << frame;
        ASSERT_GT(seconds, 0.0f) << frame;
    }

    // The harness replays it to the very same trace.
    ASSERT_EQ(Run(Replay("--keys " + Path("game.keys") + " --trace - --uncapped")), 0) << err_;
    EXPECT_NE(err_.find("300 frames"), std::string::npos) << err_;
    std::istringstream replayed(out_);
    size_t line = 0;
    for (std::string text; std::getline(replayed, text); ++line) {
        ASSERT_LT(line, live.size());
        ASSERT_EQ(text, live[line]) << "line " << line;
    }
    EXPECT_EQ(line, live.size());

    // The game plays its recording back exactly too, and records the same game again.
    ASSERT_EQ(Run(Game("--keys " + Path("game.keys") + " --trace " + Path("again.trace") + " --record " +
                       Path("again.keys"))),
              0)
        << err_;
    EXPECT_EQ(Read("again.trace"), Read("live.trace"));
    EXPECT_EQ(Read("again.keys"), Read("game.keys"));
}

// Full screen, a larger window, a larger picture and multisampling are the platform's: the game
// plays a script with its frame times to the same trace with or without them.
TEST_F(LiveGame, HowThePictureIsShownLeavesTheGameAsItIs) {
    WriteFile("short.keys", "1-20 A SPACE dt=0.02\n21-39 W 1 dt=0.02\n40 ESC dt=0.02\n");
    const std::string keys = "--keys " + Path("short.keys") + " --trace ";
    ASSERT_EQ(Run(Game(keys + Path("plain.trace"))), 0) << err_;
    ASSERT_EQ(Run(Game(keys + Path("shown.trace") + " --fullscreen --window-scale 2 --render-scale 2 --msaa 4")), 0)
        << err_;
    EXPECT_EQ(Lines("plain.trace").size(), 41u);
    EXPECT_EQ(Read("shown.trace"), Read("plain.trace"));
}

TEST_F(LiveGame, KilledGameKeepsEveryWholeFrameOfItsRecording) {
    WriteFile("drive.keys", "1-1000000 W\n50-60 1\n70 SPACE\n");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string command =
            "exec " + Game("--keys " + Path("drive.keys") + " --record " + Path("game.keys") + " --trace " +
                           Path("live.trace")) +
            " >/dev/null 2>&1";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Kill it once a hundred frames are down, without warning.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (Lines("game.keys").size() < 101 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    std::string error;
    KeyScript recording = ParseFile(Path("game.keys"), &error);
    const int64_t frames = recording.LastFrame();
    ASSERT_GE(frames, 100);
    // The trace line of a frame is written after its recording line, so the live trace holds at
    // least the frames before the last one recorded.
    std::vector<std::string> live = Lines("live.trace");
    ASSERT_GE(live.size(), static_cast<size_t>(frames));

    ASSERT_EQ(Run(Replay("--keys " + Path("game.keys") + " --trace " + Path("replay.trace") + " --uncapped")), 0)
        << err_;
    std::vector<std::string> replayed = Lines("replay.trace");
    ASSERT_EQ(replayed.size(), static_cast<size_t>(frames + 1));
    for (size_t i = 0; i < replayed.size() && i < live.size(); ++i) ASSERT_EQ(replayed[i], live[i]) << i;
}

TEST_F(LiveGame, UnwritableFilesAreReportedOnceAndTheGameGoesOn) {
    WriteFile("short.keys", "1-100 D\n20 SPACE\n120 ESC\n");
    const std::string keys = " --keys " + Path("short.keys");

    // No such directory: one report, and the trace beside it is whole.
    ASSERT_EQ(Run(Game(keys + " --record " + Path("missing/game.keys") + " --trace " + Path("t"))), 0) << err_;
    EXPECT_EQ(Count(err_, "cannot write the recording"), 1u) << err_;
    EXPECT_EQ(Count(err_, "Quorvel: The recording cannot be written"), 1u) << err_;  // the message box
    EXPECT_EQ(Lines("t").size(), 121u);

    // The disk fills up mid-game (a file-size limit): reported once, the game plays on, and the
    // recording keeps its whole lines, its last one perhaps cut off.
    ASSERT_EQ(Run("bash -c \"trap '' XFSZ; ulimit -f 1; exec " + Game(keys + " --record " + Path("full.keys")) +
                  "\""),
              0)
        << err_;
    EXPECT_EQ(Count(err_, "cannot write the recording"), 1u) << err_;
    EXPECT_NE(err_.find("File too large"), std::string::npos) << err_;
    std::string error;
    KeyScript full = ParseFile(Path("full.keys"), &error);
    EXPECT_GT(full.LastFrame(), 10);
    EXPECT_LT(full.LastFrame(), 120);
    EXPECT_EQ(full.Held(20), session::kKeyD | session::kKeySpace);

    // Files that are neither a key script nor a trace are left alone without --force.
    WriteFile("notes.txt", "my notes\n");
    WriteFile("data.json", "[1, 2]\n");
    ASSERT_EQ(Run(Game(keys + " --record " + Path("notes.txt") + " --trace " + Path("data.json"))), 0) << err_;
    EXPECT_EQ(Count(err_, "cannot write the recording"), 1u) << err_;
    EXPECT_EQ(Count(err_, "cannot write the trace"), 1u) << err_;
    EXPECT_EQ(Read("notes.txt"), "my notes\n");
    EXPECT_EQ(Read("data.json"), "[1, 2]\n");
    // Nor is what is not a file at all.
    std::filesystem::create_directory(Path("folder"));
    ASSERT_EQ(Run(Game(keys + " --record " + Path("folder"))), 0) << err_;
    EXPECT_EQ(Count(err_, "cannot write the recording"), 1u) << err_;
    EXPECT_NE(err_.find("it is not a regular file"), std::string::npos) << err_;
    // A recording and a trace are replaced; so is anything with --force.
    ASSERT_EQ(Run(Game(keys + " --record " + Path("full.keys") + " --trace " + Path("t"))), 0);
    EXPECT_EQ(Count(err_, "cannot write"), 0u) << err_;
    EXPECT_EQ(Lines("full.keys").size(), 121u);
    ASSERT_EQ(Run(Game(keys + " --record " + Path("notes.txt") + " --trace " + Path("data.json") + " --force")), 0);
    EXPECT_EQ(Count(err_, "cannot write"), 0u) << err_;
    EXPECT_EQ(Lines("notes.txt").size(), 121u);
    EXPECT_EQ(Lines("data.json").size(), 121u);

    // A bad command line or key script stops before the game starts, naming the line.
    WriteFile("bad.keys", "1 W\n2 W dt=-1\n");
    EXPECT_EQ(Run(Game("--keys " + Path("bad.keys"))), 2);
    EXPECT_NE(err_.find("bad.keys: line 2: dt="), std::string::npos) << err_;
    EXPECT_EQ(Run(Game("--record")), 2);
    EXPECT_EQ(Run(Game("--frames 3")), 2);
    EXPECT_NE(err_.find("usage: quorvel"), std::string::npos);
    EXPECT_EQ(Run(Game("--render-scale 5")), 2);
    EXPECT_NE(err_.find("--render-scale takes auto, 1, 2, 3 or 4, got \"5\""), std::string::npos) << err_;
    ASSERT_EQ(Run(std::string(QUORVEL_EXE) + " --help"), 0);
    for (const char* option : {"--fullscreen", "--window-scale N", "--render-scale auto|1|2|3|4", "--msaa 2|4|8"})
        EXPECT_NE(out_.find(option), std::string::npos) << option;
}

// How the picture is shown: each option read, and each refusal naming its option.
TEST(LiveOptions, ShowingThePictureAndRefusals) {
    auto parse = [](std::vector<const char*> args, session::LiveOptions* options, std::string* error) {
        args.insert(args.begin(), "quorvel");
        return session::ParseLiveOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                                         error);
    };
    session::LiveOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, &options, &error));
    EXPECT_EQ(options.renderScale, 0.0f); // auto
    EXPECT_EQ(options.samples, 0);
    EXPECT_FALSE(options.fullscreen);
    EXPECT_EQ(options.windowScale, 1);
    ASSERT_TRUE(parse({"--render-scale", "3", "--msaa", "8", "--fullscreen", "--window-scale", "8"}, &options, &error));
    EXPECT_EQ(options.renderScale, 3.0f);
    EXPECT_EQ(options.samples, 8);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_EQ(options.windowScale, 8);
    ASSERT_TRUE(parse({"--render-scale", "auto", "--window-scale", "1"}, &options, &error));
    EXPECT_EQ(options.renderScale, 0.0f);
    EXPECT_EQ(options.windowScale, 1);

    const std::vector<std::vector<const char*>> bad = {
        {"--render-scale", "0"}, {"--render-scale", "2.5"}, {"--render-scale", "5"}, {"--render-scale", "nan"},
        {"--render-scale", "Auto"}, {"--msaa", "1"}, {"--msaa", "3"}, {"--msaa", "16"}, {"--msaa", "4x"},
        {"--window-scale", "0"}, {"--window-scale", "9"}, {"--window-scale", "-1"}, {"--window-scale", "2.0"},
        {"--window-scale"}};
    for (const auto& args : bad) {
        session::LiveOptions o;
        EXPECT_FALSE(parse(args, &o, &error)) << args[0];
        EXPECT_EQ(error.rfind(args[0], 0), 0u) << error;
    }
    EXPECT_FALSE(parse({"--fullscreen", "yes"}, &options, &error)); // a flag takes no value
}

}  // namespace
