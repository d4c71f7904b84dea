#include "app/program_pictures.h"

#include "app/core/logo_pictures.h"
#include "palette/core/palette_pictures.h"
#include "resources/resource_ids.h"
#include "win32/drawn_pictures.h"

void registerProgramPictures() {
    registerPictureDrawer(IDB_PALETTE_LOGO, IDB_PALETTE_LOGO, drawLogoOrHelpPicture);
    registerPictureDrawer(IDB_PALETTE_NORMAL, IDB_WIDTH_MARK_3, drawPalettePicture);
    registerPictureDrawer(IDB_CALIBRATION_LOGO, IDB_CALIBRATION_LOGO, drawLogoOrHelpPicture);
    registerPictureDrawer(IDB_HELP_PAGE_1, IDB_HELP_PAGE_4, drawLogoOrHelpPicture);
}
