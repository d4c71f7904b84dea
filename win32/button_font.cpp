// The message font is read per DPI with SystemParametersInfoForDpi (Windows 10 1607 on, looked up
// at run time); before it, SystemParametersInfoW gives it at the system DPI, and its height is
// scaled from there.
#include "win32/button_font.h"

#include "win32/core/dpi_scale.h"
#include "win32/dpi.h"

namespace {

using ParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// The message font's description at `dpi`; false when the system gives none.
bool messageFont(int32_t dpi, LOGFONTW& font) {
    static const auto forDpi = reinterpret_cast<ParametersForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, UINT(knownDpi(dpi)))) {
        font = metrics.lfMessageFont;
        return true;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return false;
    font = metrics.lfMessageFont;
    font.lfHeight = roundedRatio(font.lfHeight, knownDpi(dpi), systemDpi());
    return true;
}

} // namespace

ButtonFont::~ButtonFont() {
    if (font_)
        DeleteObject(font_);
}

void ButtonFont::apply(int32_t dpi, const HWND* buttons, int count) {
    LOGFONTW description = {};
    HFONT made = messageFont(dpi, description) ? CreateFontIndirectW(&description) : nullptr;
    if (!made)
        return;
    for (int i = 0; i < count; ++i)
        if (buttons[i])
            SendMessageA(buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (font_)
        DeleteObject(font_);
    font_ = made;
}
