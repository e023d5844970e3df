// A live game's output files when the place they go is taken or breaks (a user's file, a
// folder, a missing folder, a full disk), and the frame clock given times it cannot count.
#include <gtest/gtest.h>

#include <unistd.h>
#include <windows.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "platform/hooks/qv_win32.h"
#include "session/frame_clock.h"
#include "session/session_file.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SessionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qv-session-files-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        QvSetMessageBoxObserver([this](const char*, const char* text) { boxes_.push_back(text); });
    }
    void TearDown() override {
        QvSetMessageBoxObserver({});
        fs::remove_all(dir_);
    }

    fs::path dir_;
    std::vector<std::string> boxes_;
};

// A file that is neither empty nor a recording (a trace) keeps every byte unless --force is given.
TEST_F(SessionFileTest, AnotherKindOfFileIsLeftAloneAndSaidOnce) {
    const fs::path notes = dir_ / "notes.txt";
    WriteAll(notes, "my notes\n");
    session::SessionFile recording("recording");
    recording.Open(notes.string(), false, session::IsKeyScriptFile);
    EXPECT_FALSE(recording.open());
    recording.WriteLine("1 W\n");
    EXPECT_EQ(ReadAll(notes), "my notes\n");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("not a recording"), std::string::npos) << boxes_[0];

    session::SessionFile trace("trace");
    trace.Open(notes.string(), false, session::IsTraceFile);
    EXPECT_FALSE(trace.open());
    EXPECT_EQ(ReadAll(notes), "my notes\n");

    trace.Open(notes.string(), true, session::IsTraceFile);
    ASSERT_TRUE(trace.open());
    trace.WriteLine("{\"frame\":1}\n");
    trace.Close();
    EXPECT_EQ(ReadAll(notes), "{\"frame\":1}\n");
    EXPECT_EQ(boxes_.size(), 2u);
}

// An empty file, a recording and a trace are the game's own and are replaced.
TEST_F(SessionFileTest, EmptyFilesAndItsOwnKindAreReplaced) {
    struct Case {
        const char* name;
        const char* text;
        bool (*isOurs)(const std::string& path);
    };
    const Case cases[] = {{"empty", "", session::IsTraceFile},
                          {"empty", "", session::IsKeyScriptFile},
                          {"old.keys", "1 W\n2 S\n", session::IsKeyScriptFile},
                          {"old.trace", "{\"frame\":1,\"x\":0}\n", session::IsTraceFile}};
    for (const Case& c : cases) {
        const fs::path path = dir_ / c.name;
        WriteAll(path, c.text);
        session::SessionFile file("output");
        file.Open(path.string(), false, c.isOurs);
        EXPECT_TRUE(file.open()) << path;
        file.WriteLine("new\n");
        file.Close();
        EXPECT_EQ(ReadAll(path), "new\n") << path;
    }
    // A short file that begins like a trace but is cut before the prefix is not one.
    WriteAll(dir_ / "cut.trace", "{\"fr");
    EXPECT_FALSE(session::IsTraceFile((dir_ / "cut.trace").string()));
    EXPECT_TRUE(boxes_.empty());
}

// A folder, a missing folder and a full disk: each said once, with the path, and the game goes on.
TEST_F(SessionFileTest, PlacesThatCannotBeWrittenAreReportedOnce) {
    session::SessionFile file("trace");
    file.Open(dir_.string(), false, session::IsTraceFile);
    EXPECT_FALSE(file.open());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("not a regular file"), std::string::npos) << boxes_[0];

    const fs::path missing = dir_ / "no-such-folder" / "game.trace";
    file.Open(missing.string(), true, session::IsTraceFile);
    EXPECT_FALSE(file.open());
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_NE(boxes_[1].find(missing.string()), std::string::npos) << boxes_[1];
    EXPECT_FALSE(fs::exists(missing));

    if (fs::exists("/dev/full")) {
        file.Open("/dev/full", true, session::IsTraceFile);
        ASSERT_TRUE(file.open());
        file.WriteLine("{\"frame\":1}\n");  // the flush finds the disk full
        EXPECT_FALSE(file.open());
        file.WriteLine("{\"frame\":2}\n");
        file.Close();
        ASSERT_EQ(boxes_.size(), 3u);
        EXPECT_NE(boxes_[2].find("/dev/full"), std::string::npos) << boxes_[2];
    }
}

// The clock's counter only moves forward and never past its range: a negative, a NaN or an
// enormous step leaves every clock where it was, and the next good step moves them all.
TEST(FrameClockTest, StepsItCannotCountLeaveTheClocksStill) {
    session::FrameClock clock(1024);
    LARGE_INTEGER start;
    ASSERT_TRUE(QueryPerformanceCounter(&start));
    const DWORD ticks = GetTickCount();
    for (double bad : {-0.5, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       1.0e30}) {
        clock.Advance(bad);
        LARGE_INTEGER now;
        ASSERT_TRUE(QueryPerformanceCounter(&now));
        EXPECT_EQ(now.QuadPart, start.QuadPart) << bad;
        EXPECT_EQ(GetTickCount(), ticks) << bad;
        EXPECT_EQ(timeGetTime(), ticks) << bad;
    }
    clock.Advance(0.25);
    LARGE_INTEGER now;
    ASSERT_TRUE(QueryPerformanceCounter(&now));
    EXPECT_EQ(now.QuadPart, start.QuadPart + 256);
    EXPECT_EQ(GetTickCount(), ticks + 250);
    EXPECT_EQ(timeGetTime(), ticks + 250);
}

}  // namespace
