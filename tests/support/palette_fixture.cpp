#include "tests/support/palette_fixture.h"

#include "app/window_classes.h"

namespace {

constexpr char PARENT_CLASS[] = "velmora_test_palette";
TestPalette* recording = nullptr; // the palette whose parent records; one at a time

LRESULT CALLBACK recordingParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recording && hwnd == recording->parent) {
        if (message == WM_COMMAND) {
            recording->commands.push_back(wParam);
            return 0;
        }
        if (message == WM_NCLBUTTONDOWN)
            recording->captionPresses.push_back(wParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void registerPaletteTestClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerWindowClasses(instance);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = recordingParentProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(200, 200, 200));
    wc.lpszClassName = PARENT_CLASS;
    RegisterClassA(&wc);
}

TestPalette::TestPalette(int x, int y) {
    registerPaletteTestClasses();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    recording = this;
    parent = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, PARENT_CLASS, "", WS_POPUP | WS_CLIPCHILDREN,
                             x, y, PALETTE_SIZE, PALETTE_SIZE, nullptr, nullptr, instance, nullptr);
    buildPaletteShapeRegions(parent, shapes, shapeRegions);
    for (int order = 0; order < PALETTE_BUTTON_COUNT; ++order) {
        int n = paletteButtonCreationOrder[order];
        // The rim bands are made once into scratch regions before the buttons that lose them.
        if (n == 12)
            rims[RIM_COLOUR] = combineRecipeRegion(rimRecipes[RIM_COLOUR], shapeRegions, rims);
        if (n == 16)
            rims[RIM_WIDTH] = combineRecipeRegion(rimRecipes[RIM_WIDTH], shapeRegions, rims);
        const PaletteButtonEntry& entry = paletteButtons[n];
        DWORD style = WS_CHILD | (entry.visibleAtCreation ? WS_VISIBLE : 0);
        buttons[n] = CreateWindowExA(0, TOOL_BUTTON_CLASS, "", style, 0, 0, PALETTE_SIZE, PALETTE_SIZE,
                                     parent, nullptr, instance, nullptr);
        initButtonRecord(&records[n], n);
        attachButtonRecord(buttons[n], &records[n]);
        SetWindowRgn(buttons[n], combineRecipeRegion(entry.region, shapeRegions, rims), TRUE);
        if (!entry.visibleAtCreation)
            ShowWindow(buttons[n], SW_SHOWNORMAL);
    }
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    UpdateWindow(parent);
    paintNow();
}

TestPalette::~TestPalette() {
    if (parent)
        DestroyWindow(parent);
    deletePaletteShapeRegions(shapeRegions);
    for (HRGN& rim : rims)
        if (rim)
            DeleteObject(rim);
    freePaletteShapes(shapes);
    if (recording == this)
        recording = nullptr;
}

HRGN TestPalette::buttonRegion(int n) const {
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(buttons[n], copy);
    return copy;
}

void TestPalette::paintNow() const {
    for (HWND b : buttons)
        if (b)
            UpdateWindow(b);
}
