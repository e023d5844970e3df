// Nothing is allocated per frame, by the game or by the device beneath it. This binary counts
// every operator new and every malloc on the game's thread while frames run on the real device
// with the real models. A malloc is ours when it is called from this executable (the engine
// links into it statically); the GL driver's own are only counted: Mesa's software rasteriser
// allocates vertex storage inside every draw, which no caller avoids.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "app/engine.h"
#include "game/game.h"
#include "session/replay.h"

// The sanitizer owns operator new and malloc, and libraries bound to its operator new would
// free through ours: that build runs the frames uncounted.
#if defined(__SANITIZE_ADDRESS__)
#define QV_COUNT_ALLOCATIONS 0
#else
#define QV_COUNT_ALLOCATIONS 1
#endif

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_news{0};
std::atomic<long> g_ownMallocs{0};
std::atomic<long> g_driverMallocs{0};
thread_local bool t_gameThread = false;
[[maybe_unused]] thread_local bool t_inHook = false;
thread_local bool t_quiet = false;  // counted but not reported

#if QV_COUNT_ALLOCATIONS
// Where the first few counted allocations came from, written straight to stderr.
void Report(const char* what) {
    static std::atomic<int> reported{0};
    if (t_inHook || t_quiet || reported.fetch_add(1) >= 4) return;
    t_inHook = true;
    void* frames[24];
    int n = backtrace(frames, 24);
    std::fprintf(stderr, "allocation during a frame (%s):\n", what);
    backtrace_symbols_fd(frames, n, STDERR_FILENO);
    t_inHook = false;
}

void* CountedNew(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) {
        ++g_news;
        Report("operator new");
    }
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

bool CalledFromThisExecutable(void* caller) {
    static void* const executable = [] {
        Dl_info self{};
        dladdr(reinterpret_cast<void*>(&CalledFromThisExecutable), &self);
        return self.dli_fbase;
    }();
    Dl_info info{};
    return dladdr(caller, &info) != 0 && info.dli_fbase == executable;
}
#endif

}  // namespace

#if QV_COUNT_ALLOCATIONS
void* operator new(std::size_t size) { return CountedNew(size); }
void* operator new[](std::size_t size) { return CountedNew(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* malloc(std::size_t size) {
    if (t_gameThread && !t_inHook && g_counting.load(std::memory_order_relaxed)) {
        t_inHook = true;
        bool own = CalledFromThisExecutable(__builtin_return_address(0));
        t_inHook = false;
        if (own) {
            ++g_ownMallocs;
            Report("malloc");
        } else {
            ++g_driverMallocs;
        }
    }
    return __libc_malloc(size);
}
#endif

namespace {

// A key pattern that drives every way, fires whenever it can and moves the camera, so that
// bullets fly, break tiles and hit enemies while the counters run.
void HoldKeysFor(int frame) {
    BYTE* keys = g_engine.keyboard.keys;
    const int drive[] = {'W', 'D', 'S', 'A'};
    for (int key : drive) keys[key] = 0;
    keys[drive[(frame / 40) % 4]] = 1;
    keys[VK_SPACE] = 1;
    keys['1'] = frame % 7 == 0;
    keys['2'] = frame % 11 == 0;
}

}  // namespace

TEST(FrameAllocations, NoneAfterWarmUp) {
    ASSERT_TRUE(session::StartGame());
    t_gameThread = true;
    for (int frame = 1; frame <= 120; ++frame) {
        HoldKeysFor(frame);
        GameFrame();
    }
    g_counting = true;
    for (int frame = 121; frame <= 420; ++frame) {
        HoldKeysFor(frame);
        GameFrame();
    }
    // The hook itself must see an allocation of ours, or the zeros below prove nothing.
    long ownBefore = g_ownMallocs.load();
    t_quiet = true;
    void* volatile probe = std::malloc(16);
    t_quiet = false;
    std::free(probe);
    long probeCount = g_ownMallocs.load() - ownBefore;
    g_ownMallocs -= probeCount;
    g_counting = false;
    t_gameThread = false;

    if (!QV_COUNT_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted under the sanitizer";
    EXPECT_EQ(probeCount, 1);
    EXPECT_EQ(g_news.load(), 0) << "operator new calls in 300 frames";
    EXPECT_EQ(g_ownMallocs.load(), 0) << "malloc calls from the engine in 300 frames";
    std::printf("GL driver mallocs on the game's thread: %ld in 300 frames\n", g_driverMallocs.load());
}
