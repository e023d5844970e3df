// The replay harness in the page: the key script fetched from beside the page, the real
// start-up and frames on the harness's clock, and the console as its output, one message a line:
// the trace lines as quorvel-replay --trace - writes them, "shot N data:image/png;base64,..."
// for each frame asked for, and last "replay done N frames, X ms per frame".
#pragma once

#include "programs/web/page_query.h"

namespace webpage {

// Returns the harness's exit code (2 when the key script cannot be had, is larger than
// kMostKeyScriptBytes, or runs on its own frame times past kMostReplayFrames).
int RunReplay(const PageRequest& request);

}  // namespace webpage
