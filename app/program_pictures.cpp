#include "app/program_pictures.h"

#include "app/core/logo_pictures.h"
#include "palette/core/palette_pictures.h"
#include "palette/core/tool_strip_pictures.h"
#include "resources/resource_ids.h"
#include "win32/drawn_pictures.h"

namespace {

// A marker's picture is the normal one with the markers drawn again: the normal picture of the
// same scale is taken from the cache (drawn first when it is not there yet).
bool drawPaletteOrMarker(int32_t id, int32_t dpi, Picture* out) {
    std::shared_ptr<const Picture> normal;
    if (id >= IDB_COLOUR_MARK_BLACK && id <= IDB_WIDTH_MARK_3)
        normal = drawnPicture(IDB_PALETTE_NORMAL, dpi);
    return drawPalettePicture(id, dpi, out, normal.get());
}

} // namespace

void registerProgramPictures() {
    registerPictureDrawer(IDB_PALETTE_LOGO, IDB_PALETTE_LOGO, drawLogoOrHelpPicture);
    registerPictureDrawer(IDB_PALETTE_NORMAL, IDB_WIDTH_MARK_3, drawPaletteOrMarker);
    registerPictureDrawer(IDB_TOOL_STRIP_NORMAL, IDB_TOOL_STRIP_PRESSED, drawToolStripPicture);
    registerPictureDrawer(IDB_CALIBRATION_LOGO, IDB_CALIBRATION_LOGO, drawLogoOrHelpPicture);
    registerPictureDrawer(IDB_HELP_PAGE_1, IDB_HELP_PAGE_4, drawLogoOrHelpPicture);
}
