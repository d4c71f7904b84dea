#pragma once
// Pictures for the program to open, written with WIC (PNG or JPEG), and a window of a known pattern
// that lies under everything, painted by a thread of its own: it shows whenever the program's
// windows are hidden, even while the test waits on the program.
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Writes 0x00RRGGBB pixels (top row first) as a PNG (jpeg false) or a JPEG of quality 0.95.
bool writePictureFile(const std::wstring& path, int w, int h, const std::vector<uint32_t>& pixels, bool jpeg);

class PatternWindow {
  public:
    // A window over the whole screen at the bottom of the z-order showing pattern(x, y).
    explicit PatternWindow(int w, int h);
    ~PatternWindow();
    static uint32_t pattern(int x, int y); // 0x00RRGGBB
    bool shown() const { return window != nullptr; }

  private:
    void run(int w, int h);
    std::thread thread;
    HWND window = nullptr;
    DWORD threadId = 0;
    HANDLE ready = nullptr;
};
