#pragma once
// A board page at rest: its pixels packed as runs (packRect), the form every page not shown keeps
// in memory and the form the disk's writer and the PDF take their copies in. A whole picture of a
// page is made only for the page being written or composed, one page at a time, so a board of 99
// pages at 3840 x 2160 never holds 99 whole pictures.
#include <cstddef>
#include <cstdint>
#include <vector>

struct PackedPage {
    std::vector<uint32_t> runs; // packRect of width x height from (0, 0); empty: a blank page
    int32_t width = 0;
    int32_t height = 0;
};

// The page's picture at width x height from (0, 0), 0x00RRGGBB, top row first: what the packed
// rectangle holds there (cut to the size when it is larger), `blank` where it holds nothing. False
// when the runs do not hold exactly the packed rectangle's pixels: the picture is then all blank.
bool unpackPage(const PackedPage& page, int32_t width, int32_t height, uint32_t blank,
                std::vector<uint32_t>* out);
