// Which pixel a rasteriser gives a centre that lies exactly on an edge. Direct3D gives it to the
// triangle for which the edge is a top or left one; GL leaves the choice to each rasteriser, and
// they differ (llvmpipe keeps Direct3D's rule on the device's upside-down picture, softpipe
// does not). Pictures are held to Direct3D's rule, so the device asks once, at creation.
#pragma once

#include <string>

namespace qv::d3d {

// Draws a square whose edges run through pixel centres into a scratch target, as the device's
// programs place it, and says whether the rasteriser gave it exactly the pixel Direct3D would.
// Needs a current context; leaves the bindings it touched at 0 (the caller's state mirror is
// invalidated after it) and the viewport as it was. A probe that cannot run says yes. Asked
// again of the same `renderer` (and dialect), it answers from the last probe without drawing.
bool RasterizerKeepsTopLeftRule(const std::string& renderer);

} // namespace qv::d3d
