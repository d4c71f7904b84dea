#include "app/app_state.h"
#include "app/window_procs.h"

// Placeholder entry point until start-up is built.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
