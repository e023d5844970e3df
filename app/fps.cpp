#include "app/engine.h"

CFps::~CFps() {}

// The value is the count of a window of just over a second, not divided by its true length, so
// it is always a whole number. The first call closes a window at once: the start is 0.
void CFps::Update()
{
    frameCount = frameCount + 1.0;
    if (static_cast<double>(GetTickCount()) - windowStart > 1000.0) {
        fps = frameCount;
        frameCount = 0.0;
        windowStart = static_cast<double>(GetTickCount());
    }
}
