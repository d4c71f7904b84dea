#pragma once
// The font of a window's push buttons: the system's message font (the one its message boxes use)
// at the window's scale. A button that is never sent WM_SETFONT draws with the system font, the
// bitmap font of the log-on, at no scale but the log-on's.
#include <windows.h>

#include <cstdint>

class ButtonFont {
  public:
    ButtonFont() = default;
    ButtonFont(const ButtonFont&) = delete;
    ButtonFont& operator=(const ButtonFont&) = delete;
    ~ButtonFont();
    // Makes the font for `dpi` and gives it to the `count` buttons; the font it replaces is deleted
    // once no button holds it. Should the font not be made, the buttons keep what they have.
    void apply(int32_t dpi, const HWND* buttons, int count);

  private:
    HFONT font_ = nullptr; // given to the buttons; ours to delete
};
