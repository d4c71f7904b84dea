#pragma once
// The program's GDI scopes. A pen, brush or font made for one drawing step is selected for that
// step, and at the end of the scope the old object is selected back before the new one is deleted:
// an object still selected into a DC cannot be deleted, and the DC would be left holding it.
#include <windows.h>

class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object, bool owned = true)
        : dc_(dc), object_(object), owned_(owned), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (old_)
            SelectObject(dc_, old_);
        if (owned_ && object_)
            DeleteObject(object_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ object_;
    bool owned_;
    HGDIOBJ old_;
};

// WM_PAINT: paints the window's invalid part with `paint`, between BeginPaint and EndPaint.
inline void paintWindow(HWND hwnd, void (*paint)(HDC)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paint(dc);
    EndPaint(hwnd, &ps);
}

// A DC's state (clip region, selected objects, modes) saved for a scope and put back at its end.
class SavedDC {
  public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDC() {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// A window DC released at the end of a scope.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};
