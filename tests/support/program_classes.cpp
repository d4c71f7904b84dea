// Registering the program's window classes once per test program.
#include "tests/support/program_classes.h"

#include <windows.h>

#include "app/window_classes.h"
#include "tests/support/wine_options.h"

namespace {

// Before main, so before the first window exists.
const bool windowManagerWaitSkipped = (skipWindowManagerWait(), true);

} // namespace

void registerProgramClassesOnce() {
    static bool done = false;
    if (!done)
        registerWindowClasses(GetModuleHandleA(nullptr));
    done = true;
    (void)windowManagerWaitSkipped;
}
