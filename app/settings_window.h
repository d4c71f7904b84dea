#pragma once
// The settings window's painting, reachable by tests so that they can paint into a memory DC.
#include <windows.h>

LRESULT CALLBACK settingsWindowProc(HWND, UINT, WPARAM, LPARAM);

struct SettingsRecord;

// Copies the prepared picture to hdc and draws the mark, the filled cells and the number of the
// pending settings over it.
void paintSettingsContent(HDC hdc);

// The values the window shows and edits (read only for tests).
const SettingsRecord& settingsWindowPending();
