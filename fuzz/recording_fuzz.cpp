// libFuzzer entry for the session files the game reads back. The first byte picks one of two:
//  - even: the rest is the frames of a recording (keys, and the seconds as float bits), written
//    as --record writes them (AppendRecordingLine) and cut off at any byte, as a killed game
//    leaves it. It reads back as exactly its whole lines: each frame's keys and seconds, no
//    frame past them, and the cut-off line, if any, named and left out.
//  - odd: the rest is a file on disk, read as --keys reads it (KeyScript::Load) and as the
//    overwrite check reads an existing recording or trace (IsKeyScriptFile, IsTraceFile). The
//    file says what its bytes say: Load agrees with Parse on the same bytes, and the checks
//    agree with what the file holds.
#include "fuzz/fuzz_input.h"
#include "session/key_script.h"
#include "session/live_session.h"
#include "session/session_file.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

struct Frame {
    uint16_t keys;
    float seconds;
};

void CheckCutRecording(FuzzInput& in)
{
    std::string text = std::string(session::kRecordingHeader) + ": a fuzzed session\n";
    const size_t headerEnd = text.size();
    std::vector<Frame> frames;
    std::vector<size_t> ends;  // where each frame's line ends, past its newline
    while (!in.empty() && frames.size() < 200) {
        Frame frame{static_cast<uint16_t>(in.Take<uint16_t>() & ((1u << session::kScriptKeyCount) - 1)), 0.0f};
        const uint32_t bits = in.Take<uint32_t>() & 0x7FFFFFFFu;  // the timer never goes backwards
        std::memcpy(&frame.seconds, &bits, sizeof frame.seconds);
        if (!(frame.seconds <= session::kMaxFrameTime)) frame.seconds = 1.0f / 60.0f;
        frames.push_back(frame);
        session::AppendRecordingLine(text, static_cast<int64_t>(frames.size()), frame.keys, frame.seconds);
        ends.push_back(text.size());
    }
    const uint16_t cutAt = in.Take<uint16_t>();
    const size_t cut = cutAt == 0 ? text.size() : cutAt % (text.size() + 1);
    const bool headerWhole = cut >= std::strlen(session::kRecordingHeader);
    text.resize(cut);

    std::istringstream stream(text);
    session::KeyScript script;
    std::string error;
    Check(script.Parse(stream, &error));
    Check(script.IsRecording() == headerWhole);
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= cut) ++whole;
    Check(script.LastFrame() == static_cast<int64_t>(whole));
    const bool lineCut = headerWhole && !text.empty() && text.back() != '\n';
    const int cutLine = cut < headerEnd ? 1 : static_cast<int>(whole) + 2;
    Check(script.CutLine() == (lineCut ? cutLine : 0));
    for (size_t i = 0; i <= whole && i < frames.size(); ++i) {
        const int64_t frame = static_cast<int64_t>(i) + 1;
        float seconds = -1.0f;
        if (i < whole) {
            Check(script.Held(frame) == frames[i].keys);
            Check(script.FrameTime(frame, &seconds) && seconds == frames[i].seconds);
        } else {
            Check(script.Held(frame) == 0 && !script.FrameTime(frame, &seconds));
        }
    }
}

// A file of this process's own, so that targets fuzzed side by side do not share one; gone
// when the process ends. In memory where the system has a place for it: a file made and read
// back on disk for every input was most of an input's time.
struct ScratchFile {
    std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/qv-fuzz-session-" +
                       std::to_string(getpid());
    ~ScratchFile() { std::remove(path.c_str()); }
};

const std::string& FilePath()
{
    static const ScratchFile file;
    return file.path;
}

void CheckFileOnDisk(const uint8_t* data, size_t size)
{
    const std::string& path = FilePath();
    FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr && std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream stream(bytes);
    session::KeyScript parsed, loaded;
    std::string parseError, loadError;
    const bool ok = parsed.Parse(stream, &parseError);
    Check(loaded.Load(path, &loadError) == ok);
    if (ok) {
        Check(loaded.LastFrame() == parsed.LastFrame() && loaded.Spans().size() == parsed.Spans().size() &&
              loaded.IsRecording() == parsed.IsRecording() && loaded.CutLine() == parsed.CutLine());
    } else {
        Check(loadError == path + ": " + parseError);
    }
    Check(session::IsKeyScriptFile(path) == ok);
    static const char kTraceStart[] = "{\"frame\":";
    Check(session::IsTraceFile(path) ==
          (size == 0 || (size >= sizeof kTraceStart - 1 && std::memcmp(data, kTraceStart, sizeof kTraceStart - 1) == 0)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    if (data[0] & 1) {
        CheckFileOnDisk(data + 1, size - 1);
    } else {
        FuzzInput in(data + 1, size - 1);
        CheckCutRecording(in);
    }
    return 0;
}
