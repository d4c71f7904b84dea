// Reading back the PDF of whole-page pictures: pages written by pdfFromPngPages come back as the
// PNGs they were, byte for byte; PDFs another program writes, and Velmora's own cut short, edited
// into lies or damaged at random, are refused with the reason that fits, never with a read out of
// bounds (the host tree runs this under AddressSanitizer).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "board/core/pdf_document.h"
#include "board/core/pdf_reader.h"
#include "tests/support/png_file.h"

namespace {

const std::string NOT_PDF = "El archivo no es un PDF";
const std::string DAMAGED = "El PDF est\xE1 da\361ado o incompleto";
const std::string FOREIGN = "Este PDF no es una pizarra de Velmora, o lo ha cambiado otro programa";

std::string reasonFor(const std::string& pdf, size_t maxPages = 99) {
    std::vector<PdfPicturePage> pages(1);
    std::string reason = "stale";
    if (picturePagesFromPdf(Bytes(pdf.begin(), pdf.end()), maxPages, &pages, &reason))
        return "read " + std::to_string(pages.size()) + " pages";
    return pages.empty() ? reason : "refused, but left pages";
}

std::string written(const std::vector<PdfPage>& pages) {
    Bytes pdf;
    std::string reason;
    EXPECT_TRUE(pdfFromPngPages(pages, pdf, reason)) << reason;
    return std::string(pdf.begin(), pdf.end());
}

// An RGB page and a palette page, small enough to cut at every byte.
std::string twoPages() {
    const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    Bytes indices = samplesOf(4, 3, 1, 2);
    for (uint8_t& i : indices)
        i %= 4;
    return written({{makePng({7, 5, 2}, samplesOf(7, 5, 3, 1)), 70, 50},
                    {makePng({4, 3, 3}, indices, palette), 40.5, 30.25}});
}

// The objects of a PDF as the writer lays it out, each from after "<k> 0 obj\n" to before "endobj\n",
// found through its cross-reference table.
std::vector<std::string> objectsOf(const std::string& pdf) {
    const size_t table = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
    const size_t entries = pdf.find('\n', pdf.find('\n', table) + 1) + 1; // after "xref" and "0 N"
    std::vector<std::string> objects;
    for (size_t at = entries + 20; pdf.compare(at, 7, "trailer") != 0; at += 20) {
        const size_t start = std::stoul(pdf.substr(at, 10));
        const size_t next =
            pdf.compare(at + 20, 7, "trailer") == 0 ? table : std::stoul(pdf.substr(at + 20, 10));
        const size_t body = pdf.find('\n', start) + 1;
        objects.push_back(pdf.substr(body, next - 7 - body));
    }
    return objects;
}

// A PDF of these objects (object k is objects[k - 1]) with a right cross-reference table: what an
// edit that keeps the file's structure sound makes. `trailer` follows /Size.
std::string assembled(const std::vector<std::string>& objects, const std::string& trailer = "/Root 1 0 R") {
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n", table;
    for (size_t k = 0; k < objects.size(); ++k) {
        const std::string offset = std::to_string(pdf.size());
        table += std::string(10 - offset.size(), '0') + offset + " 00000 n \n";
        pdf += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "endobj\n";
    }
    const std::string size = std::to_string(objects.size() + 1), start = std::to_string(pdf.size());
    return pdf + "xref\n0 " + size + "\n0000000000 65535 f \n" + table + "trailer\n<< /Size " + size + " " +
           trailer + " >>\nstartxref\n" + start + "\n%%EOF\n";
}

// `objects` with object k made `body` for each change (k one past the last adds an object), assembled.
std::string edited(std::vector<std::string> objects,
                   const std::vector<std::pair<size_t, std::string>>& changes) {
    for (const auto& change : changes) {
        objects.resize(std::max(objects.size(), change.first));
        objects[change.first - 1] = change.second;
    }
    return assembled(objects);
}

std::string stream(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream\n";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The file with an update appended, as editors save: page 1's object again, a section of the table
// for it and a trailer pointing back at the first table.
std::string updated(std::string pdf) {
    const std::string first = pdf.substr(pdf.rfind("startxref\n") + 10);
    const std::string page = std::to_string(pdf.size());
    pdf += "3 0 obj\n<< /Type /Page /Parent 2 0 R >>\nendobj\n";
    const std::string table = std::to_string(pdf.size());
    return pdf + "xref\n3 1\n" + std::string(10 - page.size(), '0') + page +
           " 00000 n \ntrailer\n<< /Size 9 /Root 1 0 R /Prev " + first.substr(0, first.find('\n')) +
           " >>\nstartxref\n" + table + "\n%%EOF\n";
}

// Three pages, one of each layout the writer carries, each row filtered differently, the data split
// over several IDAT chunks beside an ancillary chunk: each comes back at its sizes, in order, as the
// PNG with just its header, palette, image data in one chunk and end, every CRC right.
TEST(PdfReader, PagesComeBackAsThePngsTheyWere) {
    Bytes palette;
    for (int i = 0; i < 200; ++i)
        palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    const PngLayout layouts[] = {{97, 61, 2, 8, 0, 3}, {40, 31, 0}, {53, 20, 3, 8, 0, 1}};
    const double points[][2] = {{1440, 810}, {810.25, 455.5}, {3, 14400}};
    std::vector<PdfPage> pages;
    std::vector<Bytes> expected;
    for (int i = 0; i < 3; ++i) {
        PngLayout s = layouts[i];
        Bytes samples = samplesOf(s.width, s.height, channelsOf(s.colour), s.width);
        for (uint8_t& v : samples)
            v = s.colour == 3 ? v % 200 : v;
        const Bytes plte = s.colour == 3 ? palette : Bytes{};
        pages.push_back({makePng(s, samples, plte), points[i][0], points[i][1]});
        s.idatPieces = 1;
        s.gamma = false;
        expected.push_back(makePng(s, samples, plte));
    }
    const std::string pdf = written(pages);
    ASSERT_EQ(assembled(objectsOf(pdf)), pdf) << "the test's own assembler lays the file out as the writer";
    std::vector<PdfPicturePage> read;
    std::string reason;
    ASSERT_TRUE(picturePagesFromPdf(Bytes(pdf.begin(), pdf.end()), 3, &read, &reason)) << reason;
    ASSERT_EQ(read.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(read[i].png == expected[i]) << "page " << i + 1;
        EXPECT_EQ(read[i].width, layouts[i].width);
        EXPECT_EQ(read[i].height, layouts[i].height);
        EXPECT_EQ(read[i].widthPt, points[i][0]);
        EXPECT_EQ(read[i].heightPt, points[i][1]);
    }
    EXPECT_EQ(reason, "");
}

// What other programs write: sound PDFs, one change from Velmora's own, that are not a board.
TEST(PdfReader, AnotherProgramsPdfIsNotABoard) {
    const std::vector<std::string> own = objectsOf(twoPages());
    const std::string page = own[2];
    const std::string jpeg = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\xFF\xD9";
    const struct {
        const char* what;
        std::string pdf;
    } cases[] = {
        {"text", edited(own, {{4, stream("", "BT /F1 24 Tf 72 72 Td (Hola) Tj ET")}})},
        // (What an entry names is an object there already: the check that every object is used
        // must not be what finds these.)
        {"a font", edited(own, {{3, replaced(page, "/XObject", "/Font << /F1 1 0 R >> /XObject")}})},
        {"a second image", edited(own, {{3, replaced(page, "/Im0 5 0 R", "/Im0 5 0 R /Im1 8 0 R")}})},
        {"a drawn line", edited(own, {{4, stream("", "q 70 0 0 50 0 0 cm /Im0 Do Q 0 0 m 70 50 l S")}})},
        {"a JPEG",
         edited(own, {{5, stream("/Type /XObject /Subtype /Image /Width 7 /Height 5 /ColorSpace /DeviceRGB "
                                 "/BitsPerComponent 8 /Filter /DCTDecode",
                                 jpeg)}})},
        {"a filter on the content",
         edited(own, {{4, stream("/Filter /ASCIIHexDecode", "q 70 0 0 50 0 0 cm /Im0 Do Q")}})},
        {"a page larger than any board", edited(own, {{3, replaced(page, "70", "20000")},
                                                      {4, stream("", "q 20000 0 0 50 0 0 cm /Im0 Do Q")}})},
        {"a nested tree",
         edited(own, {{2, "<< /Type /Pages /Kids [9 0 R] /Count 2 >>\n"},
                      {9, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 6 0 R] /Count 2 >>\n"}})},
        {"a comment", edited(own, {{1, "<< /Type /Catalog % made by hand\n/Pages 2 0 R >>\n"}})},
        {"metadata", edited(own, {{1, "<< /Type /Catalog /Pages 2 0 R /Metadata 4 0 R >>\n"}})},
        {"an unused object", edited(own, {{9, "<< /Producer (otro) >>\n"}})},
        {"an info dictionary", assembled(own, "/Root 1 0 R /Info 1 0 R")},
        {"encryption", assembled(own, "/Root 1 0 R /Encrypt 1 0 R")},
        {"an appended update", updated(twoPages())},
        {"a cross-reference stream", replaced(assembled(own), "xref\n0 9", "9 0 obj\n<< /Type /XRef")},
        {"a page shown twice", edited(own, {{2, "<< /Type /Pages /Kids [3 0 R 6 0 R 3 0 R] /Count 3 >>\n"}})},
        {"the tree its own kid", edited(own, {{2, "<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 2 >>\n"}})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonFor(c.pdf), FOREIGN) << c.what;

    EXPECT_EQ(reasonFor(""), NOT_PDF);
    const Bytes png = makePng({4, 4, 2}, samplesOf(4, 4, 3, 1));
    EXPECT_EQ(reasonFor(std::string(png.begin(), png.end())), NOT_PDF);
    EXPECT_EQ(reasonFor("Hola"), NOT_PDF);
}

// A board rewritten by a real PDF program (poppler's pdftocairo) is that program's PDF.
TEST(PdfReader, APdfRewrittenByPopplerIsNotABoard) {
    if (std::system("command -v pdftocairo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "poppler-utils (pdftocairo) is not installed";
    char dir[] = "/tmp/velmora_pdfreader_XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::filesystem::path in = std::filesystem::path(dir) / "in.pdf",
                                out = std::filesystem::path(dir) / "out.pdf";
    std::ofstream(in, std::ios::binary) << twoPages();
    ASSERT_EQ(
        std::system(("pdftocairo -pdf '" + in.string() + "' '" + out.string() + "' 2>/dev/null").c_str()), 0);
    std::ifstream file(out, std::ios::binary);
    const std::string rewritten((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    ASSERT_EQ(rewritten.compare(0, 5, "%PDF-"), 0);
    EXPECT_EQ(reasonFor(rewritten), FOREIGN);
}

// Velmora's own file with its numbers made lies: every one refused as damage, or as what it claims.
TEST(PdfReader, LyingNumbersAreRefused) {
    const std::string pdf = twoPages();
    const std::vector<std::string> own = objectsOf(pdf);
    const std::string image = own[4];
    const size_t at = image.find("/Length ");
    const std::string length = image.substr(at, image.find(" >>", at) - at);
    const size_t table = pdf.rfind("\nxref\n") + 1;
    const std::string firstEntry = pdf.substr(table + 9 + 20, 10);
    const struct {
        const char* what;
        std::string pdf, reason;
    } cases[] = {
        {"a /Length past the data", edited(own, {{5, replaced(image, length, "/Length 900")}}), DAMAGED},
        {"a /Length short of it", edited(own, {{5, replaced(image, length, "/Length 40")}}), DAMAGED},
        {"a /Length past the file", edited(own, {{5, replaced(image, length, "/Length 99999999")}}), DAMAGED},
        {"a huge /Count", edited(own, {{2, "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 1000000000 >>\n"}}),
         DAMAGED},
        {"a kid that is missing", edited(own, {{2, "<< /Type /Pages /Kids [3 0 R 99 0 R] /Count 2 >>\n"}}),
         DAMAGED},
        {"an offset past the end", replaced(pdf, firstEntry + " 00000 n", "9999999999 00000 n"), DAMAGED},
        {"an offset at another object", replaced(pdf, firstEntry + " 00000 n", "0000000009 00000 n"),
         DAMAGED},
        {"10^9 entries claimed", replaced(pdf, "xref\n0 9", "xref\n0 1000000000"), DAMAGED},
        {"startxref past the end",
         replaced(pdf, "startxref\n" + std::to_string(table), "startxref\n99999999"), DAMAGED},
        {"a palette shorter than it says",
         edited(own, {{8, replaced(own[7], "/DeviceRGB 3 <", "/DeviceRGB 4 <")}}), DAMAGED},
        {"no zlib header", edited(own, {{5, replaced(image, "stream\n\x78", "stream\n\x79")}}), DAMAGED},
        {"a huge picture",
         edited(own, {{5, replaced(replaced(image, "/Width 7", "/Width 4000000000"), "/Columns 7",
                                   "/Columns 4000000000")}}),
         "La imagen de la p\xE1gina 1 es demasiado grande"},
        {"one side past the limit", edited(own, {{8, replaced(own[7], "/Height 3", "/Height 16385")}}),
         "La imagen de la p\xE1gina 2 es demasiado grande"},
        {"a /Count of 0", edited(own, {{2, "<< /Type /Pages /Kids [] /Count 0 >>\n"}}),
         "El PDF no tiene ninguna p\xE1gina"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonFor(c.pdf), c.reason) << c.what;

    EXPECT_EQ(reasonFor(pdf, 2), "read 2 pages");
    EXPECT_EQ(reasonFor(pdf, 1), "El PDF tiene 2 p\xE1ginas y una pizarra tiene como m\xE1ximo 1");
    EXPECT_EQ(reasonFor(edited(
                  own, {{2, "<< /Type /Pages /Kids [" + std::string(30000, '[') + "] /Count 2 >>\n"}})),
              FOREIGN)
        << "nested too deep";
}

// Velmora's file cut at every length, and damaged at random: refused (or, for a change the reader
// cannot see, read), never read out of bounds.
TEST(PdfReader, CutOrDamagedFilesNeverReadOutOfBounds) {
    const std::string pdf = twoPages();
    for (size_t n = 0; n < pdf.size(); ++n)
        ASSERT_EQ(reasonFor(pdf.substr(0, n)), n < 5 ? NOT_PDF : DAMAGED) << n << " bytes";
    std::mt19937 random(7);
    size_t read = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string damaged = pdf;
        for (int k = 0, changes = 1 + round % 3; k < changes; ++k)
            damaged[random() % damaged.size()] = char(random());
        const std::string reason = reasonFor(damaged);
        read += reason == "read 2 pages";
        const bool known = reason == "read 2 pages" || reason == DAMAGED || reason == FOREIGN ||
                           reason == NOT_PDF || reason.rfind("La imagen de la p\xE1gina ", 0) == 0 ||
                           reason.rfind("El PDF tiene ", 0) == 0 ||
                           reason == "El PDF no tiene ninguna p\xE1gina";
        EXPECT_TRUE(known) << reason;
    }
    EXPECT_LT(read, 4000u / 2) << "most changes are seen";
}

} // namespace
