// Yielding to the browser from inside the game's blocking loop. The program is built with
// Asyncify: a call into these functions unwinds the stack to the browser and rewinds it when
// the promise settles, so WinMain's PeekMessageA loop runs unchanged.
#include <emscripten.h>

#include "platform/web/qv_web.h"

namespace {

double g_lastYield = 0;

// setTimeout(0) is clamped to 4 ms once a page nests a few of them; a message to ourselves
// is not, so an uncapped frame costs only what the browser has waiting. A page that holds the
// program (Module.qvHeld, a promise: its graphics were lost) keeps it here until that settles.
EM_ASYNC_JS(void, WaitForBrowser, (int animationFrame), {
    if (Module['qvHeld']) await Module['qvHeld'];
    if (animationFrame) {
        await new Promise(resolve => requestAnimationFrame(() => resolve()));
        return;
    }
    await new Promise(resolve => {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => resolve();
        channel.port2.postMessage(0);
    });
});

}  // namespace

void QvWebYieldFrame(bool animationFrame)
{
    WaitForBrowser(animationFrame ? 1 : 0);
    g_lastYield = emscripten_get_now();
}

double QvWebMillisecondsSinceYield() { return emscripten_get_now() - g_lastYield; }
