// Screenshots for the session's report: the screen as the user sees it, saved by the test
// support's screen capture as a 24-bit .bmp.
#include "tools/demo/demo.h"

#include "tests/support/screen.h"

bool demoScreenshot(DemoSession& session, const char* name) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return demoScreenshotArea(session, name, screen, 1);
}

bool demoScreenshotArea(DemoSession& session, const char* name, const RECT& area, int zoom) {
    std::string path = session.outDir + "\\" + name + ".bmp";
    if (!saveScreenshotArea(path.c_str(), area, zoom)) {
        demoNote(session, "screenshot %s could not be taken", name);
        return false;
    }
    session.screenshots.push_back(std::string(name) + ".png");
    demoNote(session, "screenshot: %s.png", name);
    return true;
}
