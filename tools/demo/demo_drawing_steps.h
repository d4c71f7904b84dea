#pragma once
// The session's drawing steps with the palette ("Zarpelo"): open it from the tray, pick red and the
// pen by touches on its buttons, draw over the desktop, switch to the grey board, draw there, clear,
// and hide it all with the right eye; each checked on the screen's pixels and the windows' state.
#include "tools/demo/demo.h"

bool demoOpenPalette(DemoSession& session);
bool demoPickRedAndPen(DemoSession& session);
bool demoDrawOverDesktop(DemoSession& session);
bool demoBoardMode(DemoSession& session);
bool demoDrawOnBoard(DemoSession& session);
bool demoClearBoard(DemoSession& session);
bool demoHidePalette(DemoSession& session);
