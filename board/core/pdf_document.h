#pragma once
// A PDF document made of whole-page pictures: each page carries one PNG's compressed image data as an
// image that fills the page. The pixels are never decoded or re-encoded: the PNG's zlib stream is a
// FlateDecode stream with the PNG predictors, so the saved document is exactly as sharp as the PNG.
#include <cstdint>
#include <string>
#include <vector>

struct PdfPage {
    std::vector<uint8_t> png; // a whole PNG file: 8 bits per sample, grey, RGB or palette, not interlaced
    double widthPt = 0;       // the page's size in points (1/72 inch); the picture is stretched to it
    double heightPt = 0;
};

// Writes `pages`, in order, one PDF page each, into `pdf` (replacing what it held). On failure returns
// false, leaves `pdf` empty and puts in `reason` a short Spanish sentence for the user (Windows-1252,
// for the ANSI message box), naming the page (1-based) whose picture cannot be carried.
bool pdfFromPngPages(const std::vector<PdfPage>& pages, std::vector<uint8_t>& pdf, std::string& reason);

// The bytes are a whole PNG as far as can be seen without decoding it: the signature, the header
// first, every chunk whole up to the end chunk, and image data that starts as a zlib stream. A
// file cut short or overwritten is not.
bool pngLooksWhole(const std::vector<uint8_t>& png);
