#pragma once

#include "button/ButtonColors.h"
#include "raster/PixelSurface.h"

namespace tarvelo::button {

// The faces of the two gradient styles, painted row by row from a, the colour
// at the split line P = H * p / 100, toward c at the top and bottom edges, and
// finished with a round frame in b. A zero divisor (an unusual size or
// percentage) skips the gradient it belongs to.

// ButtonType 3: a glossy face with two shine rows at the top and darker bands
// near the bottom; flat paints a plain face in a.
void DrawGlossFace(raster::PixelSurface& surface, Color a, Color b, Color c, int p, bool flat);

// ButtonType 4: an upper and a lower gradient around a solid band, with light
// inner frames.
void DrawTwoToneFace(raster::PixelSurface& surface, Color a, Color b, Color c, int p);

}  // namespace tarvelo::button
