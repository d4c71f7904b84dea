#include "pages/core/pdf_document.h"

bool pdfFromPngPages(const std::vector<PdfPage>& pages, std::vector<uint8_t>& pdf, std::string& reason) {
    (void)pages;
    pdf.clear();
    reason = "El PDF no se puede escribir todav\xED" "a";
    return false;
}
