#include "programs/web/page_replay.h"

#include <emscripten.h>

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "programs/web/page_data_url.h"
#include "session/key_script.h"
#include "session/replay.h"

namespace webpage {
namespace {

constexpr const char* kKeysFile = "/replay/keys";

constexpr int kTooLarge = -2;

// 0, or the HTTP status (or -1) that kept the file from being had, or kTooLarge for a file of
// more than `most` bytes, which is read no further than that.
EM_ASYNC_JS(int, FetchToFile, (const char* url, const char* path, double most), {
    try {
        const response = await fetch(UTF8ToString(url), {cache: 'no-store'});
        if (!response.ok) return response.status || -1;
        if (Number(response.headers.get('Content-Length')) > most) return -2;
        const reader = response.body.getReader();
        const chunks = [];
        let length = 0;
        for (;;) {
            const {done, value} = await reader.read();
            if (done) break;
            length += value.length;
            if (length > most) {
                reader.cancel();
                return -2;
            }
            chunks.push(value);
        }
        const bytes = new Uint8Array(length);
        let at = 0;
        for (const chunk of chunks) {
            bytes.set(chunk, at);
            at += chunk.length;
        }
        FS.mkdirTree(PATH.dirname(UTF8ToString(path)));
        FS.writeFile(UTF8ToString(path), bytes);
        return 0;
    } catch (e) {
        return -1;
    }
});

std::string ShotPath(long long frame) { return "/replay/shot-" + std::to_string(frame) + ".png"; }

void Fail(const std::string& text)
{
    MessageBoxA(nullptr, text.c_str(), "Quorvel replay", MB_ICONERROR);
}

}  // namespace

int RunReplay(const PageRequest& request)
{
    std::vector<std::string> args = {"quorvel-replay", "--keys", kKeysFile, "--trace", "-"};
    args.insert(args.end(), request.options.begin(), request.options.end());
    for (long long frame : request.shots) {
        args.push_back("--shot");
        args.push_back(std::to_string(frame) + ":" + ShotPath(frame));
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    session::Options options;
    std::string error;
    if (!session::ParseOptions(int(argv.size()), argv.data(), &options, &error)) {
        Fail(error);
        return 2;
    }

    const int status = FetchToFile(request.keysUrl.c_str(), kKeysFile, double(kMostKeyScriptBytes));
    if (status == kTooLarge) {
        Fail("the key script " + request.keysUrl + " is larger than the page replays (" +
             std::to_string(kMostKeyScriptBytes >> 20) + " MB)");
        return 2;
    }
    if (status != 0) {
        Fail("the key script " + request.keysUrl + " could not be fetched" +
             (status > 0 ? " (HTTP " + std::to_string(status) + ")" : ""));
        return 2;
    }
    // A script with frame times runs to its last frame unless frames= says otherwise.
    session::KeyScript script;
    if (!options.framesGiven && script.Load(kKeysFile, &error) && script.HasFrameTimes() &&
        script.LastFrame() > kMostReplayFrames) {
        Fail("the key script " + request.keysUrl + " runs to frame " + std::to_string(script.LastFrame()) +
             ", more than the page replays (" + std::to_string(kMostReplayFrames) + "); give frames=");
        return 2;
    }

    long long frames = 0;
    double firstFrameEnd = 0;
    double lastFrameEnd = 0;
    options.afterFrame = [&](long long frame) {
        frames = frame;
        lastFrameEnd = emscripten_get_now();
        if (frame == 1) firstFrameEnd = lastFrameEnd;
        for (long long shot : request.shots) {
            if (shot != frame) continue;
            const std::string url = PngFileDataUrl(ShotPath(frame));
            if (!url.empty()) std::printf("shot %lld %s\n", frame, url.c_str());
        }
    };
    const int code = session::Run(options);
    // Frame 1 carries the start-up's last steps; the time per frame is that of the others.
    const double ms = frames > 1 ? (lastFrameEnd - firstFrameEnd) / double(frames - 1) : 0.0;
    std::printf("replay done %lld frames, %.3f ms per frame\n", frames, ms);
    std::fflush(stdout);
    return code;
}

}  // namespace webpage
