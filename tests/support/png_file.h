#pragma once
// Small PNG files for the tests of the PDF of whole-page pictures: written with stored (uncompressed)
// deflate blocks, each row with another of the PNG filters, so a reader that gets any filter wrong
// shows it. Plain C++ for the host's unit tests.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

inline void put32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

inline void chunk(Bytes& png, const char* type, const Bytes& data) {
    put32(png, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    put32(png, crc32(body.data(), body.size()));
}

inline Bytes zlibStored(const Bytes& raw) {
    Bytes z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    put32(z, (b << 16) | a);
    return z;
}

inline uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row y is filtered with filter y % 5 (none, sub, up, average, Paeth), so a reader that does not apply
// the PNG predictors row by row gets every picture wrong.
inline Bytes filtered(const Bytes& samples, uint32_t width, uint32_t height, int channels) {
    const size_t stride = size_t(width) * channels;
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        const int filter = int(y % 5);
        raw.push_back(uint8_t(filter));
        const uint8_t* row = &samples[y * stride];
        const uint8_t* up = y ? row - stride : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= size_t(channels) ? row[i - channels] : 0, b = up ? up[i] : 0;
            const int c = up && i >= size_t(channels) ? up[i - channels] : 0;
            const int predicted[5] = {0, a, b, (a + b) / 2, paeth(a, b, c)};
            raw.push_back(uint8_t(row[i] - predicted[filter]));
        }
    }
    return raw;
}

struct PngLayout {
    uint32_t width, height;
    uint8_t colour;        // 0 grey, 2 RGB, 3 palette, 6 RGBA
    uint8_t depth = 8;     // written as given; the samples are always 8-bit
    uint8_t interlace = 0; // written as given; the rows are always in order
    size_t idatPieces = 2; // the image data split over this many IDAT chunks
    bool gamma = true;     // a gAMA chunk before the data, an ancillary one
};

inline int channelsOf(uint8_t colour) {
    return colour == 2 ? 3 : colour == 6 ? 4 : 1;
}

inline Bytes makePng(const PngLayout& s, const Bytes& samples, const Bytes& palette = {}) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, s.width);
    put32(header, s.height);
    header.insert(header.end(), {s.depth, s.colour, 0, 0, s.interlace});
    chunk(png, "IHDR", header);
    if (!palette.empty())
        chunk(png, "PLTE", palette);
    if (s.gamma)
        chunk(png, "gAMA", {0, 0, 0xB1, 0x8F}); // an ancillary chunk the document leaves out
    const Bytes z = zlibStored(filtered(samples, s.width, s.height, channelsOf(s.colour)));
    const size_t piece = z.size() / s.idatPieces + 1;
    for (size_t at = 0; at < z.size(); at += piece)
        chunk(png, "IDAT", Bytes(z.begin() + at, z.begin() + std::min(z.size(), at + piece)));
    chunk(png, "IEND", {});
    return png;
}

// A picture with detail in every pixel: gradients, a diagonal and a pseudo-random speckle.
inline Bytes samplesOf(uint32_t width, uint32_t height, int channels, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes s;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                s.push_back(x == y                ? 0
                            : (random() % 7 == 0) ? uint8_t(random())
                                                  : uint8_t(x * 5 + y * 3 + c * 80));
    return s;
}
