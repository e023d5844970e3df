// Hooks of the browser's substitute for the Direct3D layer and the page's process entry.
#pragma once

// Hands control back to the browser until its next animation frame (the page's vsync), or,
// with `animationFrame` false, only until the browser has run what is waiting (input, timers),
// for presenting as fast as possible. Returns at once if the program was built without
// Asyncify's support for it.
void QvWebYieldFrame(bool animationFrame);

// Milliseconds since the last yield; PeekMessageA yields by itself when a loop has held the
// browser longer than a frame without presenting.
double QvWebMillisecondsSinceYield();
