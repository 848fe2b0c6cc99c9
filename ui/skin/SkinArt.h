// Skin bitmaps at a window's scale, from the drawing made for the nearest resolution at or above it.
#pragma once

#include <windows.h>

#include "CBitmap.h"
#include "DpiScale.h"

// The drawing of a skin bitmap at DpiScale::kArtDpis[i] has the id of its 96-DPI drawing plus i times this.
const UINT kSkinArtIdStep = 1000;

// Loads skin bitmap nID, whose nCells state images lie stacked vertically (1 for a background), into an
// empty bitmap as the window at scale shows it: each cell at its 96-DPI size scaled, taken as drawn where
// a drawing exists for that resolution, otherwise resampled down from the next one above. A drawing that is
// missing gives way to the next one below. FALSE when no drawing loads.
BOOL LoadSkinArt(CBitmap& bitmap, UINT nID, int nCells, const DpiScale& scale);
