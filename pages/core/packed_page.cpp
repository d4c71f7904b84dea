#include "pages/core/packed_page.h"

namespace {

// The runs hold exactly width x height values.
bool runsFit(const PackedPage& page) {
    uint64_t total = 0;
    for (size_t i = 0; i + 1 < page.runs.size(); i += 2)
        total += page.runs[i];
    return page.runs.size() % 2 == 0 && page.width > 0 && page.height > 0 &&
           total == uint64_t(page.width) * uint64_t(page.height);
}

} // namespace

bool unpackPage(const PackedPage& page, int32_t width, int32_t height, uint32_t blank,
                std::vector<uint32_t>* out) {
    if (width <= 0 || height <= 0) {
        out->clear();
        return page.runs.empty() || runsFit(page);
    }
    out->assign(size_t(width) * size_t(height), blank & 0xFFFFFF);
    if (page.runs.empty())
        return true;
    if (!runsFit(page))
        return false;
    // The runs go on across rows: each is laid down a row's piece at a time, and what lies beyond
    // the picture (a packed page wider or taller than it) is passed over.
    uint64_t at = 0; // the packed rectangle's pixel the next run starts at, in reading order
    for (size_t i = 0; i + 1 < page.runs.size(); i += 2) {
        uint64_t count = page.runs[i];
        const uint32_t value = page.runs[i + 1] & 0xFFFFFF;
        while (count > 0) {
            const int32_t y = int32_t(at / uint64_t(page.width));
            const int32_t x = int32_t(at % uint64_t(page.width));
            const uint64_t piece = count < uint64_t(page.width - x) ? count : uint64_t(page.width - x);
            if (y < height && x < width) {
                const int32_t end = x + int32_t(piece) < width ? x + int32_t(piece) : width;
                uint32_t* row = out->data() + size_t(y) * size_t(width);
                for (int32_t k = x; k < end; ++k)
                    row[k] = value;
            }
            at += piece;
            count -= piece;
        }
    }
    return true;
}
