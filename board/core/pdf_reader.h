#pragma once
// Reading back a PDF of whole-page pictures as pdfFromPngPages writes it: each page's image, its
// compressed data untouched, becomes a PNG file again, for the picture decoder to show. The reader
// knows only the layout its own writer makes; any other PDF is refused with a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PdfPicturePage {
    // A whole PNG file rebuilt from the page's image: signature, header, palette (palette pictures
    // only), one IDAT chunk holding the image stream's bytes as they are, end chunk, every CRC right.
    std::vector<uint8_t> png;
    uint32_t width = 0; // the image's pixels
    uint32_t height = 0;
    double widthPt = 0; // the page's size in points (its MediaBox)
    double heightPt = 0;
};

// Reads the pages, in order, of a PDF that Velmora wrote. On failure returns false, leaves `pages`
// empty and puts in `reason` a short Spanish sentence for the user (Windows-1252) saying what is wrong
// with the file, without its name: not a PDF, damaged, another program's PDF, more than `maxPages`
// pages, or a picture too large. The compressed image data is not inflated: damage inside it shows
// when the PNG is decoded.
bool picturePagesFromPdf(const std::vector<uint8_t>& pdf, size_t maxPages, std::vector<PdfPicturePage>* pages,
                         std::string* reason);
