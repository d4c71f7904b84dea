// A PDF of whole-page pictures, written from PNG files without decoding them.
//
// A PNG's image data (its IDAT chunks joined) is one zlib stream whose rows each start with a filter
// byte: exactly what a PDF FlateDecode stream with /Predictor 15 (the PNG predictors, chosen per row)
// decodes. So each page's picture is carried byte for byte, with its width, colour layout and bit depth
// stated beside it, and the saved document is lossless whatever encoder wrote the PNG.
//
// What PDF cannot say that way is refused with a reason: interlaced rows (the predictor expects them in
// order), an alpha channel (PDF keeps alpha in a separate image, which means decoding), and sample
// depths other than 8 bits. Ancillary chunks (gamma, transparency key, resolution) are left out: the
// page shows the stored colours.
//
// The file is PDF 1.4: a catalog, a page tree, and per page the page, its content stream (the image
// stretched over the page) and the image, then a cross-reference table of fixed 20-byte entries that
// gives every object's byte offset, and the trailer.
#include "board/core/pdf_document.h"

#include <cmath>
#include <cstring>

namespace {

// A picture of more pixels than any screen a board hangs on is a fault, not a page: a PDF reader would
// try to allocate it.
constexpr uint32_t MAX_PNG_SIDE = 16384;
// The page sizes PDF readers accept: from 3 points to 200 inches.
constexpr double MIN_PAGE_PT = 3;
constexpr double MAX_PAGE_PT = 14400;

constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum PngColour : uint8_t { PNG_GREY = 0, PNG_RGB = 2, PNG_PALETTE = 3, PNG_GREY_ALPHA = 4, PNG_RGBA = 6 };

// What a page's PNG says about its picture, and where its parts lie in the file.
struct PngLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t colour = 0;
    std::vector<uint8_t> palette; // the PLTE entries, 3 bytes each (palette pictures only)
    // The IDAT chunks' data, in order, as (offset, length) in the PNG: joined, one zlib stream. The
    // document copies it from the PNG once, straight into its place.
    std::vector<std::pair<size_t, size_t>> data;
    size_t dataSize = 0;
};

enum PngFault { PNG_OK, PNG_NOT_PNG, PNG_TRUNCATED, PNG_DAMAGED, PNG_UNSUPPORTED, PNG_NO_SIZE, PNG_TOO_BIG };

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

bool chunkIs(const uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

// A critical chunk (first letter upper case) that a reader does not know means it cannot show the
// picture.
bool isCritical(const uint8_t* type) {
    return (type[0] & 0x20) == 0;
}

PngFault readHeader(const uint8_t* d, PngLayout* out) {
    out->width = bigEndian32(d);
    out->height = bigEndian32(d + 4);
    const uint8_t depth = d[8], colour = d[9], compression = d[10], filter = d[11], interlace = d[12];
    out->colour = colour;
    if (compression != 0 || filter != 0 || interlace > 1)
        return PNG_DAMAGED; // no such method exists
    if (out->width == 0 || out->height == 0)
        return PNG_NO_SIZE;
    if (out->width > MAX_PNG_SIDE || out->height > MAX_PNG_SIDE)
        return PNG_TOO_BIG;
    const bool carried = colour == PNG_GREY || colour == PNG_RGB || colour == PNG_PALETTE;
    if (depth != 8 || !carried || interlace != 0)
        return PNG_UNSUPPORTED;
    return PNG_OK;
}

// The zlib header of the joined data: deflate, a window of at most 32 KB, no preset dictionary, and
// the check bits right. A stream that starts otherwise is no PNG image data.
bool zlibHeaderSound(const std::vector<uint8_t>& png, const PngLayout& layout) {
    uint8_t first[2];
    size_t n = 0;
    for (size_t k = 0; k < layout.data.size() && n < 2; ++k)
        for (size_t i = 0; i < layout.data[k].second && n < 2; ++i)
            first[n++] = png[layout.data[k].first + i];
    if (n < 2)
        return false;
    const uint8_t cmf = first[0], flg = first[1];
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (flg & 0x20) == 0 && ((cmf << 8) | flg) % 31 == 0;
}

// Walks the chunks of `png`. Every length is checked against the bytes that are left before it is
// used, so a truncated file or a lying length is a fault, never a read past the end. The chunks' CRCs
// are not checked: the pictures come fresh from the PNG encoder, and damage inside the compressed
// data could not be seen without decoding it anyway.
PngFault readPng(const std::vector<uint8_t>& png, PngLayout* out) {
    const size_t size = png.size();
    if (size < sizeof PNG_SIGNATURE || std::memcmp(png.data(), PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0)
        return PNG_NOT_PNG;
    size_t at = sizeof PNG_SIGNATURE;
    bool header = false, ended = false;
    while (!ended) {
        if (size - at < 12)
            return PNG_TRUNCATED; // not even a chunk's length, type and CRC
        const uint32_t length = bigEndian32(&png[at]);
        const uint8_t* type = &png[at + 4];
        if (length > 0x7FFFFFFFu)
            return PNG_DAMAGED;
        if (size - at - 12 < length)
            return PNG_TRUNCATED;
        const uint8_t* data = &png[at + 8];
        if (!header) {
            if (!chunkIs(type, "IHDR") || length != 13)
                return PNG_DAMAGED;
            header = true;
            const PngFault fault = readHeader(data, out);
            if (fault != PNG_OK)
                return fault;
        } else if (chunkIs(type, "IDAT")) {
            if (length > 0)
                out->data.push_back({at + 8, size_t(length)});
            out->dataSize += length;
        } else if (chunkIs(type, "PLTE")) {
            if (length == 0 || length % 3 != 0 || length > 256 * 3)
                return PNG_DAMAGED;
            out->palette.assign(data, data + length);
        } else if (chunkIs(type, "IEND")) {
            ended = true;
        } else if (isCritical(type)) {
            return chunkIs(type, "IHDR") ? PNG_DAMAGED : PNG_UNSUPPORTED;
        }
        at += 12 + size_t(length);
    }
    if (out->colour == PNG_PALETTE && out->palette.empty())
        return PNG_DAMAGED;
    if (!zlibHeaderSound(png, *out))
        return out->dataSize == 0 ? PNG_TRUNCATED : PNG_DAMAGED;
    return PNG_OK;
}

// What is wrong with a page's picture, by PngFault (nothing for PNG_OK): the end of the sentence
// pageFaultText starts. Windows-1252 texts; a letter after an accented one that a hex escape would
// swallow ("da\xF1" then "a") follows an octal escape instead, which ends after three digits.
constexpr const char* FAULT_WHAT[] = {
    nullptr,                                 // PNG_OK
    "no es un PNG",                          // PNG_NOT_PNG
    "est\xE1 incompleta",                    // PNG_TRUNCATED
    "est\xE1 da\361ada",                     // PNG_DAMAGED
    "tiene un formato que el PDF no admite", // PNG_UNSUPPORTED
    "est\xE1 vac\355a",                      // PNG_NO_SIZE
    "es demasiado grande",                   // PNG_TOO_BIG
};
static_assert(sizeof FAULT_WHAT / sizeof FAULT_WHAT[0] == PNG_TOO_BIG + 1, "one text a fault");

// "La imagen de la p\xE1gina <page> " and what is wrong with it; empty for a sound picture.
std::string pageFaultText(PngFault fault, size_t page) {
    const char* what = FAULT_WHAT[fault];
    if (!what)
        return std::string();
    return "La imagen de la p\xE1gina " + std::to_string(page) + " " + what;
}

bool pageSizeSound(double pt) {
    return std::isfinite(pt) && pt >= MIN_PAGE_PT && pt <= MAX_PAGE_PT;
}

// --- writing -------------------------------------------------------------------------------------

// The PDF text being written, with the byte offset of every object for the cross-reference table.
struct PdfWriter {
    std::vector<uint8_t>& out;
    std::vector<size_t> offsets; // offsets[k] is where object k + 1 starts

    void text(const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
    void bytes(const uint8_t* b, size_t n) { out.insert(out.end(), b, b + n); }

    void beginObject(size_t number) {
        if (offsets.size() < number)
            offsets.resize(number);
        offsets[number - 1] = out.size();
        text(std::to_string(number) + " 0 obj\n");
    }
    void endObject() { text("endobj\n"); }

    // A stream object: its dictionary's entries (without /Length), then its `length` bytes, which
    // the caller writes between the two.
    void beginStream(size_t number, const std::string& entries, size_t length) {
        beginObject(number);
        text("<< " + entries + (entries.empty() ? "" : " ") + "/Length " + std::to_string(length) +
             " >>\nstream\n");
    }
    void endStream() {
        text("\nendstream\n");
        endObject();
    }
};

// A number of points as PDF writes it, to a hundredth, whatever the C library's locale says a decimal
// point is: "1440", "810.25".
std::string points(double pt) {
    const long long hundredths = std::llround(pt * 100);
    std::string s = std::to_string(hundredths / 100);
    const int rest = int(hundredths % 100);
    if (rest != 0) {
        s += '.';
        s += char('0' + rest / 10);
        if (rest % 10 != 0)
            s += char('0' + rest % 10);
    }
    return s;
}

std::string colourSpace(const PngLayout& png) {
    if (png.colour == PNG_GREY)
        return "/DeviceGray";
    if (png.colour == PNG_RGB)
        return "/DeviceRGB";
    static const char hex[] = "0123456789ABCDEF";
    std::string s = "[/Indexed /DeviceRGB " + std::to_string(png.palette.size() / 3 - 1) + " <";
    for (uint8_t b : png.palette) {
        s += hex[b >> 4];
        s += hex[b & 15];
    }
    return s + ">]";
}

int samplesPerPixel(const PngLayout& png) {
    return png.colour == PNG_RGB ? 3 : 1;
}

// The image: the PNG's image data as it is, with the layout that its rows have.
void writeImage(PdfWriter& w, size_t number, const std::vector<uint8_t>& file, const PngLayout& png) {
    const std::string width = std::to_string(png.width);
    w.beginStream(number,
                  "/Type /XObject /Subtype /Image /Width " + width + " /Height " +
                      std::to_string(png.height) + " /ColorSpace " + colourSpace(png) +
                      " /BitsPerComponent 8 /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " +
                      std::to_string(samplesPerPixel(png)) + " /BitsPerComponent 8 /Columns " + width + " >>",
                  png.dataSize);
    for (const auto& span : png.data)
        w.bytes(&file[span.first], span.second);
    w.endStream();
}

// The page, its content (the image scaled from its unit square to the whole page) and the image.
void writePage(PdfWriter& w, size_t first, const PdfPage& page, const PngLayout& png) {
    const std::string width = points(page.widthPt), height = points(page.heightPt);
    w.beginObject(first);
    w.text("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + " " + height +
           "] /Resources << /XObject << /Im0 " + std::to_string(first + 2) + " 0 R >> >> /Contents " +
           std::to_string(first + 1) + " 0 R >>\n");
    w.endObject();
    const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q";
    w.beginStream(first + 1, "", content.size());
    w.text(content);
    w.endStream();
    writeImage(w, first + 2, page.png, png);
}

// Each entry is exactly 20 bytes: ten digits of offset, five of generation, the kind, and a two-byte
// end of line (space and line feed), so that a reader can find entry k at 20 * k.
void writeCrossReference(PdfWriter& w) {
    const size_t start = w.out.size();
    w.text("xref\n0 " + std::to_string(w.offsets.size() + 1) + "\n0000000000 65535 f \n");
    for (size_t offset : w.offsets) {
        std::string digits = std::to_string(offset);
        w.text(std::string(10 - digits.size(), '0') + digits + " 00000 n \n");
    }
    w.text("trailer\n<< /Size " + std::to_string(w.offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(start) + "\n%%EOF\n");
}

void writeDocument(PdfWriter& w, const std::vector<PdfPage>& pages, const std::vector<PngLayout>& pngs) {
    // The second line's bytes above 127 tell file tools that the file holds binary data.
    w.text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    w.beginObject(1);
    w.text("<< /Type /Catalog /Pages 2 0 R >>\n");
    w.endObject();
    std::string kids;
    for (size_t i = 0; i < pages.size(); ++i)
        kids += (i ? " " : "") + std::to_string(3 + 3 * i) + " 0 R";
    w.beginObject(2);
    w.text("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>\n");
    w.endObject();
    for (size_t i = 0; i < pages.size(); ++i)
        writePage(w, 3 + 3 * i, pages[i], pngs[i]);
    writeCrossReference(w);
}

} // namespace

bool pngLooksWhole(const std::vector<uint8_t>& png) {
    PngLayout layout;
    const PngFault fault = readPng(png, &layout);
    return fault == PNG_OK || fault == PNG_UNSUPPORTED; // a kind the document cannot carry may still decode
}

bool pdfFromPngPages(const std::vector<PdfPage>& pages, std::vector<uint8_t>& pdf, std::string& reason) {
    pdf.clear();
    if (pages.empty()) {
        reason = "No hay ninguna p\xE1gina";
        return false;
    }
    std::vector<PngLayout> pngs(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!pageSizeSound(pages[i].widthPt) || !pageSizeSound(pages[i].heightPt)) {
            reason = "La p\xE1gina " + std::to_string(i + 1) + " no tiene un tama\xF1o v\xE1lido";
            return false;
        }
        const PngFault fault = readPng(pages[i].png, &pngs[i]);
        if (fault != PNG_OK) {
            reason = pageFaultText(fault, i + 1);
            return false;
        }
    }
    size_t estimate = 4096;
    for (const PdfPage& page : pages)
        estimate += page.png.size() + 2048;
    pdf.reserve(estimate); // one allocation: the document is about as large as its pictures
    PdfWriter writer{pdf, {}};
    writeDocument(writer, pages, pngs);
    return true;
}
