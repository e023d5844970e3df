// The frame timer's commands and clock choice, the frame-rate counter, and FAbs, on a fake clock.
#include <gtest/gtest.h>
#include <windows.h>

#include <qv_win32.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "app/engine.h"
#include "app/timer.h"

namespace {

class ShellTimer : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineTimerForget();
        QvSetFakeClock(&clock);
    }
    void TearDown() override
    {
        QvSetFakeClock(nullptr);
        EngineTimerForget();
    }

    QvFakeClock clock;
};

TEST_F(ShellTimer, CounterModeMeasuresSecondsBetweenMarks)
{
    clock.frequency = 1000;
    clock.counter = 100;
    EXPECT_EQ(EngineTimer(TIMER_RESET), 0.0f);
    clock.counter = 200;
    EXPECT_EQ(EngineTimer(TIMER_START), 0.0f);
    clock.counter = 1700;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 1.5f);
    clock.counter = 1701;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 0.001f) << "rounded to float from the exact quotient";

    // 2^54 + 2^30 + 1 ticks at 2^54 a second are 1 + 2^-24 + 2^-54 seconds. Divided in extended
    // precision they round once, up to the float after 1; through double the last tick and the
    // 2^-54 are lost and the tie rounds down to 1.
    EngineTimerForget();
    clock.frequency = LONGLONG(1) << 54;
    clock.counter = 0;
    EngineTimer(TIMER_START);
    clock.counter = (LONGLONG(1) << 54) + (LONGLONG(1) << 30) + 1;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 1.0f + 1.1920929e-7f);
}

TEST_F(ShellTimer, UnknownCodesReturnMinusOneAndKeepTheMark)
{
    clock.frequency = 1000;
    clock.counter = 0;
    EngineTimer(TIMER_START);
    for (INT code : {2, 3, 4, 5, 7, -1, 100}) {
        clock.counter += 250;
        EXPECT_EQ(EngineTimer(code), -1.0f) << code;
    }
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 1.75f);
}

TEST_F(ShellTimer, ElapsedBeforeAnyMarkCountsFromTheClocksZero)
{
    clock.frequency = 4;
    clock.counter = 10;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 2.5f);
    clock.frequency = 1;  // read once: a later change is not seen
    clock.counter = 12;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), 0.5f);
}

TEST_F(ShellTimer, FallsBackToMillisecondsForTheWholeRun)
{
    clock.frequencyOk = FALSE;
    clock.counter = 999999;
    clock.multimediaTime = 1000;
    EXPECT_EQ(EngineTimer(TIMER_RESET), 0.0f);
    clock.multimediaTime = 1250;
    clock.counter = 5;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), static_cast<float>(1250 * 0.001 - 1000 * 0.001));

    clock.frequencyOk = TRUE;  // the choice was made on the first call
    clock.multimediaTime = 1300;
    EXPECT_EQ(EngineTimer(TIMER_GETELAPSEDTIME), static_cast<float>(1300 * 0.001 - 1250 * 0.001));
    EXPECT_EQ(EngineTimer(4), -1.0f);
}

TEST_F(ShellTimer, ZeroFrequencyCountsAsNoCounter)
{
    clock.frequency = 0;
    clock.multimediaTime = 2000;
    EngineTimer(TIMER_RESET);
    clock.counter = 50;
    clock.multimediaTime = 2500;
    const float elapsed = EngineTimer(TIMER_GETELAPSEDTIME);
    EXPECT_TRUE(std::isfinite(elapsed));
    EXPECT_FLOAT_EQ(elapsed, 0.5f);
}

TEST_F(ShellTimer, FpsCountsWholeFramesPerWindowOfJustOverASecond)
{
    CFps fps;
    clock.tickCount = 5000;
    fps.Update();
    EXPECT_EQ(fps.fps, 1.0) << "the first window closes at once: its start is 0";
    EXPECT_EQ(fps.frameCount, 0.0);
    EXPECT_EQ(fps.windowStart, 5000.0);

    clock.tickCount = 5400;
    fps.Update();
    clock.tickCount = 6000;  // exactly 1000 ms: not yet
    fps.Update();
    EXPECT_EQ(fps.fps, 1.0);
    EXPECT_EQ(fps.frameCount, 2.0);
    clock.tickCount = 6001;
    fps.Update();
    EXPECT_EQ(fps.fps, 3.0) << "the closing frame is counted in its window";
    EXPECT_EQ(fps.frameCount, 0.0);
    EXPECT_EQ(fps.windowStart, 6001.0);

    clock.tickCount = 9000;
    fps.Update();
    EXPECT_EQ(fps.fps, 1.0) << "not divided by the window's real length";
    EXPECT_EQ(fps.fps, std::floor(fps.fps));
}

// The system's clocks, with no fake installed: the counter runs forward at its frequency, and the
// two millisecond clocks read within a stretch of it measure no more than it does and no less
// than a sleep inside them. No clock writes through a null pointer, fake or not.
TEST(ShellSystemClocks, CounterAndMillisecondClocksAgree)
{
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    LARGE_INTEGER frequency{}, before{}, after{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_GT(frequency.QuadPart, 0);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    const DWORD ticks = GetTickCount(), time = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const DWORD tickSpan = GetTickCount() - ticks, timeSpan = timeGetTime() - time;
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    const double counterMs = double(after.QuadPart - before.QuadPart) * 1000.0 / double(frequency.QuadPart);
    for (DWORD span : {tickSpan, timeSpan}) {
        EXPECT_GE(span, 59u);
        EXPECT_LE(double(span), counterMs + 1.0);
    }

    QvFakeClock fake;
    QvSetFakeClock(&fake);
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    QvSetFakeClock(nullptr);
}

TEST(ShellFAbs, AbsoluteValueOfAFloat)
{
    EXPECT_EQ(FAbs(-2.5f), 2.5f);
    EXPECT_FALSE(std::signbit(FAbs(-0.0f)));
    EXPECT_EQ(FAbs(-1e-45f), 1e-45f) << "a denormal survives the round trip through double";
}

}  // namespace
