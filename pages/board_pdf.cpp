// "PDF": the whole board as one PDF in Pictures\Velmora, named as the saved pictures are. Each page
// is encoded as a 24-bit PNG of the board's monitor size, its background under its drawing, and
// the PDF carries the PNG's data as it is: lossless, and WIC's PNG encoder is all it needs.
#include "app/tray_icon.h"
#include "pages/board.h"
#include "pages/board_storage.h"
#include "pages/core/pdf_document.h"
#include "pages/png_encoder.h"
#include "pages/picture_file.h"

namespace {

// A page of the PDF is the monitor's pixels at 96 per inch: a reader shows it at the board's size
// and aspect ratio.
constexpr double POINTS_PER_PIXEL = 72.0 / 96.0;

bool boardDocument(std::vector<uint8_t>* pdf, std::string* reason) {
    std::vector<BoardPagePicture> pictures;
    if (!boardPagePictures(&pictures)) {
        *reason = "No se pudieron leer las p\xE1ginas de la pizarra";
        return false;
    }
    std::vector<PdfPage> pages;
    for (size_t i = 0; i < pictures.size(); ++i) {
        PdfPage page;
        page.widthPt = pictures[i].width * POINTS_PER_PIXEL;
        page.heightPt = pictures[i].height * POINTS_PER_PIXEL;
        if (!encodePngBytes(pictures[i].pixels.data(), pictures[i].width, pictures[i].height, &page.png)) {
            *reason = "No se pudo codificar la p\xE1gina " + std::to_string(i + 1);
            return false;
        }
        pages.push_back(std::move(page));
    }
    return pdfFromPngPages(pages, *pdf, *reason);
}

// Into a new file of Pictures\Velmora; on failure no file is left and `reason` says why.
bool writeBoardDocument(const std::vector<uint8_t>& pdf, std::wstring* path, std::string* reason) {
    std::wstring folder;
    if (!pictureFolder(&folder, reason) || !reserveName(folder, path, reason, ".pdf"))
        return false;
    const DWORD error = writeFileReplacing(*path, pdf);
    if (error) {
        DeleteFileW(path->c_str());
        *reason = "No se pudo escribir el archivo: " + systemText(error);
        return false;
    }
    return true;
}

} // namespace

bool saveBoardPdf(HWND owner) {
    std::vector<uint8_t> pdf;
    std::wstring path;
    std::string reason;
    if (boardDocument(&pdf, &reason) && writeBoardDocument(pdf, &path, &reason)) {
        showTrayBalloon("PDF guardado", fileNameOf(path).c_str());
        return true;
    }
    MessageBoxA(owner, ("No se pudo guardar el PDF\r\n" + reason).c_str(), "Error", MB_OK | MB_ICONERROR);
    return false;
}
