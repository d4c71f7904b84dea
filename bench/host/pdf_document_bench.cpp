// What writing the board as a PDF costs: 1, 10 and 99 pages (the board's most) of a 1920 x 1080
// picture whose PNG holds 400 KB of image data, a page full of ink. The pictures are carried, not
// decoded, so the time is the walk of each PNG's chunks and the copies into the document.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/core/pdf_document.h"

namespace {

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    put32(png, uint32_t(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, 0); // the document does not check CRCs
}

// A 1920 x 1080 RGB PNG with `dataBytes` of image data in IDAT chunks of 64 KB, as encoders split it.
std::vector<uint8_t> pagePng(size_t dataBytes) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, 1920);
    put32(header, 1080);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", header);
    std::vector<uint8_t> data(dataBytes);
    data[0] = 0x78;
    data[1] = 0x9C;
    for (size_t i = 2; i < data.size(); ++i)
        data[i] = uint8_t(i * 2654435761u >> 24);
    for (size_t at = 0; at < data.size(); at += 65536)
        chunk(png, "IDAT",
              std::vector<uint8_t>(data.begin() + at, data.begin() + std::min(data.size(), at + 65536)));
    chunk(png, "IEND", {});
    return png;
}

void BM_PdfOfPages(benchmark::State& state) {
    const std::vector<PdfPage> pages(size_t(state.range(0)), PdfPage{pagePng(400 * 1024), 1440, 810});
    size_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> pdf; // a new document each time, as each save makes one
        std::string reason;
        pdfFromPngPages(pages, pdf, reason);
        benchmark::DoNotOptimize(pdf.data());
        size = pdf.size();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["pdf_MB"] = double(size) / (1024 * 1024);
}
BENCHMARK(BM_PdfOfPages)->Arg(1)->Arg(10)->Arg(99)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
