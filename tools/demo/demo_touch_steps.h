#pragma once
// The session's touch steps: calibrate by tapping the crosses found on the screen, then a tap, a
// drag and a hold, each with the mouse input the system received.
#include "tools/demo/demo.h"

bool demoCalibrateByTapping(DemoSession& session);
bool demoTapClicks(DemoSession& session);
bool demoDragDrags(DemoSession& session);
bool demoHoldRightClicks(DemoSession& session);
