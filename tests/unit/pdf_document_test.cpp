// The PDF of whole-page pictures: a real reader (poppler's pdfinfo and pdftoppm) finds every page at
// its size and renders it equal to its PNG; the cross-reference table gives every object's offset;
// PNGs the document cannot carry, truncated or lying ones included, are refused with a reason naming
// the page, without a read out of bounds (the host tree runs this under AddressSanitizer).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "board/core/pdf_document.h"
#include "tests/support/png_file.h"

namespace {

// The RGB picture a reader should show for a grey or palette picture.
Bytes asRgb(const Bytes& samples, uint8_t colour, const Bytes& palette) {
    if (colour == 2)
        return samples;
    Bytes rgb;
    for (uint8_t v : samples)
        for (int c = 0; c < 3; ++c)
            rgb.push_back(colour == 0 ? v : palette[v * 3 + c]);
    return rgb;
}

// --- reading the document back ---------------------------------------------------------------------

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char name[] = "/tmp/velmora_pdf_XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// pdfinfo's report with every run of spaces made one, so a check does not depend on its alignment.
std::string squeezed(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != ' ' || s.empty() || s.back() != ' ')
            s += c;
    return s;
}

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

struct Rendered {
    int width = 0, height = 0;
    Bytes rgb;
};

// A binary PPM (P6, maxval 255) as pdftoppm writes it.
Rendered readPpm(const std::filesystem::path& file) {
    Rendered r;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> r.width >> r.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || r.width <= 0 || r.height <= 0)
        return Rendered{};
    r.rgb.resize(size_t(r.width) * r.height * 3);
    in.read(reinterpret_cast<char*>(r.rgb.data()), std::streamsize(r.rgb.size()));
    return in ? r : Rendered{};
}

// Renders every page at one pixel per point with pdftoppm; the reader's complaints (a damaged
// cross-reference table is repaired silently but reported) go to `complaints`. Poppler's Splash rounds
// an image's edges outwards, so at exactly 72 dpi an image whose edges fall on pixel boundaries
// covers one pixel more each way and is resampled (every pixel off by a level or two, rows blended);
// a hair below 72 dpi the page is still W x H pixels and the image is copied pixel for pixel.
std::vector<Rendered> render(const TempDir& dir, const Bytes& pdf, std::string* complaints) {
    writeFile(dir.path / "doc.pdf", pdf);
    const std::string command = "pdftoppm -r 71.999 '" + (dir.path / "doc.pdf").string() + "' '" +
                                (dir.path / "page").string() + "' 2>'" + (dir.path / "err.txt").string() +
                                "'";
    std::vector<Rendered> pages;
    if (std::system(command.c_str()) != 0) {
        *complaints = "pdftoppm failed: " + readText(dir.path / "err.txt");
        return pages;
    }
    *complaints = readText(dir.path / "err.txt");
    for (int n = 1; std::filesystem::exists(dir.path / ("page-" + std::to_string(n) + ".ppm")); ++n)
        pages.push_back(readPpm(dir.path / ("page-" + std::to_string(n) + ".ppm")));
    return pages;
}

::testing::AssertionResult looksLike(const Rendered& page, uint32_t width, uint32_t height,
                                     const Bytes& rgb) {
    if (page.width != int(width) || page.height != int(height))
        return ::testing::AssertionFailure() << "rendered " << page.width << " x " << page.height
                                             << ", picture " << width << " x " << height;
    size_t same = 0, first = SIZE_MAX;
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        if (std::equal(&rgb[i * 3], &rgb[i * 3 + 3], &page.rgb[i * 3]))
            ++same;
        else if (first == SIZE_MAX)
            first = i;
    }
    const double share = 100.0 * same / (double(width) * height);
    if (share < 99.9)
        return ::testing::AssertionFailure() << share << " % of the pixels identical; first different at ("
                                             << first % width << ", " << first / width << ")";
    return ::testing::AssertionSuccess() << share << " % identical";
}

std::vector<PdfPage> pagesOf(const std::vector<Bytes>& pngs) {
    std::vector<PdfPage> pages;
    for (const Bytes& png : pngs)
        pages.push_back({png, 200, 100});
    return pages;
}

std::string reasonFor(const std::vector<PdfPage>& pages) {
    Bytes pdf = {'o', 'l', 'd'};
    std::string reason;
    if (pdfFromPngPages(pages, pdf, reason))
        return "accepted";
    if (!pdf.empty())
        return "refused, but left " + std::to_string(pdf.size()) + " bytes";
    return reason;
}

Bytes rgbPng(uint32_t w = 12, uint32_t h = 9) {
    return makePng({w, h, 2}, samplesOf(w, h, 3, 1));
}

// --- the tests --------------------------------------------------------------------------------------

// Three pages of the three layouts the document carries (RGB, grey, palette), odd widths, each row
// filtered differently, the data split over several IDAT chunks: pdfinfo counts three pages of the
// given sizes and pdftoppm renders each one equal to its picture.
TEST(PdfDocument, AReaderShowsEveryPageAsItsPicture) {
    if (!haveTool("pdftoppm") || !haveTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils (pdftoppm, pdfinfo) is not installed";
    Bytes palette;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    const PngLayout layouts[] = {{97, 61, 2, 8, 0, 3}, {40, 31, 0}, {53, 20, 3, 8, 0, 1}};
    std::vector<PdfPage> pages;
    std::vector<Bytes> expected;
    for (const PngLayout& s : layouts) {
        const Bytes samples = samplesOf(s.width, s.height, channelsOf(s.colour), s.width);
        const Bytes plte = s.colour == 3 ? palette : Bytes{};
        pages.push_back({makePng(s, samples, plte), double(s.width), double(s.height)});
        expected.push_back(asRgb(samples, s.colour, plte));
    }
    Bytes pdf;
    std::string reason;
    ASSERT_TRUE(pdfFromPngPages(pages, pdf, reason)) << reason;

    TempDir dir;
    std::string complaints;
    const std::vector<Rendered> rendered = render(dir, pdf, &complaints);
    EXPECT_EQ(complaints, "");
    ASSERT_EQ(rendered.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(looksLike(rendered[i], layouts[i].width, layouts[i].height, expected[i]))
            << "page " << i + 1;

    const std::string info = dir.path.string() + "/info.txt";
    ASSERT_EQ(
        std::system(
            ("pdfinfo -f 1 -l 3 '" + (dir.path / "doc.pdf").string() + "' >'" + info + "' 2>&1").c_str()),
        0);
    const std::string text = squeezed(readText(info));
    EXPECT_NE(text.find("Pages: 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 1 size: 97 x 61 pts"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 3 size: 53 x 20 pts"), std::string::npos) << text;
    EXPECT_EQ(text.find("rror"), std::string::npos) << text;
}

// A page at the monitor's aspect in points, larger than the picture: the picture covers the whole
// page, corner to corner, and the page keeps the size given, fractions included.
TEST(PdfDocument, ThePictureFillsAPageOfAnotherSize) {
    if (!haveTool("pdftoppm") || !haveTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils (pdftoppm, pdfinfo) is not installed";
    // Four quadrants of flat colour, so scaling changes nothing but the lines where they meet.
    const uint8_t quad[4][3] = {{255, 0, 0}, {0, 128, 0}, {0, 0, 255}, {20, 20, 20}};
    Bytes samples;
    for (uint32_t y = 0; y < 36; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            samples.insert(samples.end(), quad[(y >= 18) * 2 + (x >= 32)],
                           quad[(y >= 18) * 2 + (x >= 32)] + 3);
    Bytes pdf;
    std::string reason;
    ASSERT_TRUE(pdfFromPngPages({{makePng({64, 36, 2}, samples), 160, 90}}, pdf, reason)) << reason;
    TempDir dir;
    std::string complaints;
    const std::vector<Rendered> rendered = render(dir, pdf, &complaints);
    ASSERT_EQ(rendered.size(), 1u) << complaints;
    const Rendered& page = rendered[0];
    ASSERT_EQ(page.width, 160);
    ASSERT_EQ(page.height, 90);
    const int probes[][3] = {{0, 0, 0}, {159, 0, 1}, {0, 89, 2}, {159, 89, 3}, {40, 22, 0}, {120, 67, 3}};
    for (const auto& p : probes) {
        const uint8_t* got = &page.rgb[(size_t(p[1]) * 160 + p[0]) * 3];
        EXPECT_TRUE(std::equal(got, got + 3, quad[p[2]]))
            << "at (" << p[0] << ", " << p[1] << "): " << int(got[0]) << "," << int(got[1]) << ","
            << int(got[2]);
    }
    // A page size with a fraction of a point is written as a decimal, whatever the locale.
    ASSERT_TRUE(pdfFromPngPages({{makePng({64, 36, 2}, samples), 810.25, 455.5}}, pdf, reason)) << reason;
    writeFile(dir.path / "frac.pdf", pdf);
    const std::string info = (dir.path / "info.txt").string();
    std::system(("pdfinfo '" + (dir.path / "frac.pdf").string() + "' >'" + info + "' 2>&1").c_str());
    EXPECT_NE(squeezed(readText(info)).find("Page size: 810.25 x 455.5 pts"), std::string::npos)
        << readText(info);
}

// Every entry of the cross-reference table is 20 bytes and points at its own object's first byte;
// startxref points at the table. Readers repair a wrong table quietly, so this is checked here.
TEST(PdfDocument, TheCrossReferenceTableGivesEveryObjectsOffset) {
    Bytes pdf;
    std::string reason;
    ASSERT_TRUE(pdfFromPngPages(pagesOf({rgbPng(), rgbPng(30, 2), rgbPng(1, 1)}), pdf, reason)) << reason;
    const std::string text(pdf.begin(), pdf.end());
    ASSERT_EQ(text.compare(0, 9, "%PDF-1.4\n"), 0);
    const size_t tail = text.rfind("startxref\n");
    ASSERT_NE(tail, std::string::npos);
    const size_t table = std::stoul(text.substr(tail + 10));
    ASSERT_EQ(text.compare(table, 5, "xref\n"), 0) << "startxref gives " << table;
    std::istringstream head(text.substr(table + 5, 32));
    size_t first = 1, count = 0;
    head >> first >> count;
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(count, 1u + 2 + 3 * 3)
        << "the free entry, catalog, page tree, and page, content and image per page";
    const size_t entries = text.find('\n', table + 5) + 1;
    EXPECT_EQ(text.compare(entries, 20, "0000000000 65535 f \n"), 0);
    for (size_t k = 1; k < count; ++k) {
        const std::string entry = text.substr(entries + 20 * k, 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << "entry " << k << ": " << entry;
        const size_t offset = std::stoul(entry.substr(0, 10));
        const std::string head = std::to_string(k) + " 0 obj\n";
        EXPECT_EQ(text.compare(offset, head.size(), head), 0) << "object " << k << " not at " << offset;
    }
    EXPECT_EQ(text.compare(entries + 20 * count, 8, "trailer\n"), 0);
    EXPECT_EQ(text.substr(text.size() - 6), "%%EOF\n");
}

// The picture is carried, not re-encoded: the PNG's image data appears whole in the document.
TEST(PdfDocument, ThePngImageDataIsCarriedByteForByte) {
    const Bytes samples = samplesOf(20, 10, 3, 5);
    const Bytes png = makePng({20, 10, 2, 8, 0, 1}, samples);
    const Bytes z = zlibStored(filtered(samples, 20, 10, 3));
    Bytes pdf;
    std::string reason;
    ASSERT_TRUE(pdfFromPngPages(pagesOf({png}), pdf, reason)) << reason;
    EXPECT_NE(std::search(pdf.begin(), pdf.end(), z.begin(), z.end()), pdf.end());
    const std::string text(pdf.begin(), pdf.end());
    EXPECT_NE(text.find("/Length " + std::to_string(z.size()) + " >>\nstream\n"), std::string::npos);
}

Bytes withHeaderByte(Bytes png, size_t index, uint8_t value) {
    png[16 + index] = value; // IHDR data starts after the signature, the length and the type
    return png;
}

Bytes withHeaderSize(Bytes png, uint32_t width, uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = uint8_t(width >> (24 - 8 * i));
        png[20 + i] = uint8_t(height >> (24 - 8 * i));
    }
    return png;
}

// Pictures the document cannot carry, and files that are not whole, are refused with a reason naming
// the page; nothing is written.
TEST(PdfDocument, RefusesPicturesItCannotCarryNamingThePage) {
    const Bytes good = rgbPng();
    const size_t idat = 8 + 25 + 16; // signature, IHDR, gAMA: the first IDAT's length
    Bytes lying = good;
    lying[idat] = 0x7F; // a length far beyond the end of the file
    Bytes huge = good;
    huge[idat] = 0x80; // a length no chunk may have
    Bytes noIhdr = good;
    std::copy_n("IHDX", 4, noIhdr.begin() + 12);
    Bytes unknownCritical = good;
    std::copy_n("GAMA", 4, unknownCritical.begin() + 37);
    Bytes noData = good;
    for (size_t at = 8; at + 8 < noData.size(); at += 12 + ((noData[at + 2] << 8) | noData[at + 3]))
        if (std::equal(noData.begin() + at + 4, noData.begin() + at + 8, "IDAT"))
            std::copy_n("iDAT", 4, noData.begin() + at + 4); // an ancillary chunk: left out
    Bytes notZlib = good;
    notZlib[idat + 8] = 0x79; // the stream's first byte: no longer deflate with a check that holds

    const std::string page2 = "La imagen de la p\xE1gina 2 ";
    const struct {
        const char* what;
        Bytes png;
        std::string reason;
    } cases[] = {
        {"empty file", {}, page2 + "no es un PNG"},
        {"other signature", Bytes(good.begin() + 1, good.end()), page2 + "no es un PNG"},
        {"cut in the last chunk", Bytes(good.begin(), good.end() - 4), page2 + "est\xE1 incompleta"},
        {"cut after the image data", Bytes(good.begin(), good.end() - 12), page2 + "est\xE1 incompleta"},
        {"length beyond the end", lying, page2 + "est\xE1 incompleta"},
        {"length over 2^31", huge, page2 + "est\xE1 da\361ada"},
        {"header not first", noIhdr, page2 + "est\xE1 da\361ada"},
        {"no image data", noData, page2 + "est\xE1 incompleta"},
        {"data not a zlib stream", notZlib, page2 + "est\xE1 da\361ada"},
        {"palette without PLTE", withHeaderByte(good, 9, 3), page2 + "est\xE1 da\361ada"},
        {"unknown compression", withHeaderByte(good, 10, 1), page2 + "est\xE1 da\361ada"},
        {"unknown critical chunk", unknownCritical, page2 + "tiene un formato que el PDF no admite"},
        {"RGBA", makePng({4, 4, 6}, samplesOf(4, 4, 4, 2)), page2 + "tiene un formato que el PDF no admite"},
        {"16 bits", withHeaderByte(good, 8, 16), page2 + "tiene un formato que el PDF no admite"},
        {"4-bit grey", withHeaderByte(withHeaderByte(good, 9, 0), 8, 4),
         page2 + "tiene un formato que el PDF no admite"},
        {"interlaced", withHeaderByte(good, 12, 1), page2 + "tiene un formato que el PDF no admite"},
        {"zero width", withHeaderSize(good, 0, 9), page2 + "est\xE1 vac\355a"},
        {"zero height", withHeaderSize(good, 12, 0), page2 + "est\xE1 vac\355a"},
        {"huge", withHeaderSize(good, 0x7FFFFFFF, 0x7FFFFFFF), page2 + "es demasiado grande"},
        {"one side past the limit", withHeaderSize(good, 16385, 9), page2 + "es demasiado grande"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonFor(pagesOf({good, c.png, good})), c.reason) << c.what;
    EXPECT_EQ(reasonFor(pagesOf({good, withHeaderSize(good, 16384, 16384)})), "accepted")
        << "the largest picture still carried";
}

TEST(PdfDocument, RefusesNoPagesAndPageSizesNoReaderTakes) {
    EXPECT_EQ(reasonFor({}), "No hay ninguna p\xE1gina");
    const double bad[] = {0, -100, 2, 14401, std::nan(""), std::numeric_limits<double>::infinity()};
    for (double pt : bad) {
        EXPECT_EQ(reasonFor({{rgbPng(), 100, 100}, {rgbPng(), 100, pt}}),
                  "La p\xE1gina 2 no tiene un tama\xF1o v\xE1lido")
            << pt;
        EXPECT_EQ(reasonFor({{rgbPng(), pt, 100}}), "La p\xE1gina 1 no tiene un tama\xF1o v\xE1lido") << pt;
    }
    EXPECT_EQ(reasonFor({{rgbPng(), 3, 14400}}), "accepted");
}

// Every prefix of a PNG, and the PNG with bytes changed at random: refused or carried, never a read
// out of bounds (AddressSanitizer stops the test at the first one).
TEST(PdfDocument, DamagedFilesNeverReadOutOfBounds) {
    const Bytes good = rgbPng(7, 5);
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(reasonFor(pagesOf({Bytes(good.begin(), good.begin() + n)})), "accepted") << n << " bytes";
    std::mt19937 random(22);
    for (int round = 0; round < 3000; ++round) {
        Bytes png = good;
        for (int k = 0; k < 3; ++k)
            png[8 + random() % (png.size() - 8)] = uint8_t(random());
        const std::string reason = reasonFor(pagesOf({png}));
        EXPECT_TRUE(reason == "accepted" || reason.rfind("La imagen de la p\xE1gina 1 ", 0) == 0) << reason;
    }
}

// A board page's file cut short anywhere, or overwritten at its start, does not look whole; the
// file as written does.
TEST(PdfDocument, APngCutShortOrOverwrittenDoesNotLookWhole) {
    const Bytes good = rgbPng(7, 5);
    EXPECT_TRUE(pngLooksWhole(good));
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(pngLooksWhole(Bytes(good.begin(), good.begin() + n))) << n << " bytes";
    Bytes overwritten = good;
    const char damaged[] = "\x89PNG\r\n\x1a\ndamaged";
    std::copy(damaged, damaged + 15, overwritten.begin());
    EXPECT_FALSE(pngLooksWhole(overwritten));
}

} // namespace
