// Resampling of skin art from the resolution it was drawn at to the one a window shows, cell by cell.
#pragma once

#include <cstdint>
#include <vector>

// Pixels as 0x00RRGGBB (the key colour is 0x00FF00FF), rows from the top.
struct ArtImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The image as nCells equal cells stacked vertically (a button's state images; 1 for a background), each
// resampled on its own to cellWidth x cellHeight by area averaging, so that cell borders stay borders. A
// pixel shown is the key colour when more than half of the area it covers is key-coloured; otherwise it
// is the average of the other pixels it covers, and never the key colour: shapes cut at the key keep
// their edges, and no key colour bleeds into what is drawn. An empty image for sizes below 1.
ArtImage ResampleArt(const ArtImage& source, int nCells, int cellWidth, int cellHeight);
