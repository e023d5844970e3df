// Touch controls (web_touch.cpp): the page's elements with a data-key, driven by Pointer Events.
#pragma once

namespace qvweb {

// Starts listening on every control the page has; lets every touched key go; forgets them all.
void ListenForTouch();
void ReleaseTouchKeys();
void ResetTouch();

}  // namespace qvweb
