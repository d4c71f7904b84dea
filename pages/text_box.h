#pragma once
// The text tool's box, class "qv_text_box" (textBoxProc): a tap with the text tool opens it at the
// tap, over the page, and it takes the keyboard while it is open: any Unicode text, Enter for a
// new line, in the chosen colour at a size set by the width. Its text goes onto the page as one
// step (one undo takes it away) when the box is closed by a tap outside it, another tool or any
// palette action but a colour or a width (which restyle the box); Esc, or a box left empty, puts
// nothing. Then the keyboard goes back to the window that had it before (the presentation keeps
// the clicker's keys).
//
// The box is a colour-keyed popup like the pages: its background shows what lies beneath, a thin
// two-tone frame shows where the text goes, and the letters are the ones the page will get, drawn
// the same way (no smoothing, the same wrapping as the edit control's).
#include <windows.h>

#include "pages/core/page_rules.h"

struct PageRecord;

LRESULT CALLBACK textBoxProc(HWND, UINT, WPARAM, LPARAM);

// Opens a box on `page` for a tap at `tap` (page coordinates), first closing (and keeping) one
// already open. It takes the keyboard and asks for the touch keyboard.
void openTextBox(HWND page, PageRecord* record, IntPoint tap);
// Whether a box is open on `page`.
bool textBoxOpenOn(HWND page);
// Whether a page point lies inside the open box's frame (a tap there places the caret).
bool textBoxHit(IntPoint p);
// Puts the caret at the letter under a page point inside the box.
void placeTextCaret(IntPoint p);
// Closes the open box: with `keep`, its text goes onto its page as one step; the keyboard goes
// back to the window that had it before when `giveKeyboardBack`. Nothing when no box is open.
void closeTextBox(bool keep, bool giveKeyboardBack = true);
// The colour and size changed: the open box and its text take them.
void restyleTextBox();
