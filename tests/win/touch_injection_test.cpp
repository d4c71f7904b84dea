// The board as a touch screen, below the shell: the reader thread of this process against the
// simulated board, with a recorder in place of the system's touch injection (Wine has none). The
// frames of a tap, a drag, a hold, a second monitor left of the primary, a touch lost to a silent
// sensor, to a calibration, to a locked session and to the program's end; a touch on this
// program's own window and the user's choice of the mouse give the mouse. Frames the system
// refuses end their contact, not touch, but for three refused downs in a row. A held contact lives
// through a late or silent sensor and a stray reply, its frames timed by the clock.
//
// The suite shares one reader thread (a stopped reader stays stopped): its last case stops it.
#undef WINVER
#define WINVER 0x0602 // the system's POINTER_TOUCH_INFO, to hold our declaration against
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "win32/program.h"
#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "win32/ids.h"
#include "sensor/sensor_link.h"
#include "tests/support/flush_events.h"
#include "tests/support/frame_kind.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/reader_board.h"
#include "tests/support/wine_options.h"
#include "tools/simboard/simboard.h"
#include "touch/sensor_reader.h"
#include "touch/touch_injection.h"

// The declaration the program uses is the system's structure, field for field.
static_assert(sizeof(InjectedTouchInfo) == sizeof(POINTER_TOUCH_INFO), "size");
// Our field `ours` stands at the offset of the system's field `theirs`.
#define SAME_OFFSET(ours, theirs)                                                                            \
    static_assert(offsetof(InjectedTouchInfo, ours) == offsetof(POINTER_TOUCH_INFO, theirs), #theirs)
SAME_OFFSET(pointerInfo.pointerFlags, pointerInfo.pointerFlags);
SAME_OFFSET(pointerInfo.ptPixelLocation, pointerInfo.ptPixelLocation);
SAME_OFFSET(pointerInfo.dwTime, pointerInfo.dwTime);
SAME_OFFSET(pointerInfo.performanceCount, pointerInfo.PerformanceCount);
SAME_OFFSET(touchMask, touchMask);
SAME_OFFSET(rcContact, rcContact);
SAME_OFFSET(pressure, pressure);
#undef SAME_OFFSET
static_assert(INJECTED_PT_TOUCH == PT_TOUCH && INJECTED_TOUCH_MASK_CONTACTAREA == TOUCH_MASK_CONTACTAREA &&
                  INJECTED_TOUCH_FEEDBACK_DEFAULT == TOUCH_FEEDBACK_DEFAULT,
              "constants");
static_assert(CONTACT_DOWN_FLAGS == (POINTER_FLAG_DOWN | POINTER_FLAG_INRANGE | POINTER_FLAG_INCONTACT) &&
                  CONTACT_UPDATE_FLAGS ==
                      (POINTER_FLAG_UPDATE | POINTER_FLAG_INRANGE | POINTER_FLAG_INCONTACT) &&
                  CONTACT_UP_FLAGS == POINTER_FLAG_UP &&
                  CONTACT_CANCEL_FLAGS == (POINTER_FLAG_UP | POINTER_FLAG_CANCELED),
              "flags");

namespace {

// The window of our own that a touch comes down on is destroyed without waiting two seconds for a
// window manager the test display lacks.
const bool windowManagerWaitSkipped = (skipWindowManagerWait(), true);

// ---- The recorder in place of InitializeTouchInjection and InjectTouchInput ---------------------

std::mutex recordLock;
std::vector<InjectedTouchInfo> injected; // every frame given, refused ones too
std::vector<double> injectedAtMs;        // when each was given, on the performance counter
std::set<DWORD> injectingThreads;        // the threads that gave them
int injectCalls = 0, badCounts = 0;
int initializeCalls = 0;
UINT32 initializeMax = 0;
DWORD initializeMode = 0;
DWORD initializeThread = 0;
bool initializeFails = false;
// The next refuseCount frames with the flags refuseFlags are refused, GetLastError refuseError.
UINT32 refuseFlags = 0;
int refuseCount = 0;
DWORD refuseError = 0;

void refuseNext(UINT32 flags, DWORD error, int count) {
    std::lock_guard<std::mutex> hold(recordLock);
    refuseFlags = flags;
    refuseError = error;
    refuseCount = count;
}

BOOL WINAPI recordInitialize(UINT32 maxCount, DWORD mode) {
    std::lock_guard<std::mutex> hold(recordLock);
    ++initializeCalls;
    initializeMax = maxCount;
    initializeMode = mode;
    initializeThread = GetCurrentThreadId();
    return initializeFails ? FALSE : TRUE;
}

BOOL WINAPI recordInject(UINT32 count, const InjectedTouchInfo* contacts) {
    DWORD error = 0;
    {
        std::lock_guard<std::mutex> hold(recordLock);
        ++injectCalls;
        badCounts += count != 1;
        injectingThreads.insert(GetCurrentThreadId());
        for (UINT32 k = 0; k < count; ++k) {
            injected.push_back(contacts[k]);
            injectedAtMs.push_back(simboardNowMs());
        }
        if (count > 0 && refuseCount > 0 && contacts[0].pointerInfo.pointerFlags == refuseFlags) {
            --refuseCount;
            error = refuseError;
        }
    }
    if (error == 0)
        return TRUE;
    SetLastError(error);
    return FALSE;
}

const TouchInjectionFunctions recorder = {recordInitialize, recordInject};

std::vector<InjectedTouchInfo> framesFrom(size_t from) {
    std::lock_guard<std::mutex> hold(recordLock);
    return std::vector<InjectedTouchInfo>(injected.begin() + std::min(from, injected.size()), injected.end());
}

size_t frameCount() {
    std::lock_guard<std::mutex> hold(recordLock);
    return injected.size();
}

// The longest time between two frames from index `from` on, on the performance counter (the time
// stamps are tick counts, too coarse to show a gap of 110 ms as more than 100).
double longestFrameGapMs(size_t from) {
    std::lock_guard<std::mutex> hold(recordLock);
    double longest = 0;
    for (size_t k = from + 1; k < injectedAtMs.size(); ++k)
        longest = std::max(longest, injectedAtMs[k] - injectedAtMs[k - 1]);
    return longest;
}

// The kinds in order, a run of updates as "update*" (their number follows the reader's pace).
std::string kinds(const std::vector<InjectedTouchInfo>& frames) {
    std::string s;
    for (size_t k = 0; k < frames.size(); ++k) {
        const std::string kind = kindOf(frames[k].pointerInfo.pointerFlags);
        if (kind == "update" && k > 0 && frames[k - 1].pointerInfo.pointerFlags == CONTACT_UPDATE_FLAGS)
            continue;
        s += (s.empty() ? "" : " ") + kind + (kind == "update" ? "*" : "");
    }
    return s;
}

// Every frame is one touch contact, id 0, stamped later than the one before, its contact area a
// small square around the point, no pressure or orientation; an up or a cancel is where the frame
// before it was.
::testing::AssertionResult wellFormed(const std::vector<InjectedTouchInfo>& frames) {
    for (size_t k = 0; k < frames.size(); ++k) {
        const InjectedPointerInfo& p = frames[k].pointerInfo;
        const RECT& a = frames[k].rcContact;
        const bool square = a.left <= p.ptPixelLocation.x && p.ptPixelLocation.x < a.right &&
                            a.top <= p.ptPixelLocation.y && p.ptPixelLocation.y < a.bottom &&
                            a.right - a.left <= 5 && a.bottom - a.top <= 5;
        if (p.pointerType != PT_TOUCH || p.pointerId != 0 || frames[k].touchMask != TOUCH_MASK_CONTACTAREA ||
            !square || frames[k].pressure != 0 || frames[k].orientation != 0 || p.hwndTarget != nullptr)
            return ::testing::AssertionFailure()
                   << "frame " << k << ": type " << p.pointerType << ", id " << p.pointerId << ", mask "
                   << frames[k].touchMask << ", at (" << p.ptPixelLocation.x << ", " << p.ptPixelLocation.y
                   << "), area (" << a.left << ", " << a.top << ", " << a.right << ", " << a.bottom << ")";
        if (k == 0)
            continue;
        const InjectedPointerInfo& before = frames[k - 1].pointerInfo;
        if (LONG(p.dwTime - before.dwTime) <= 0)
            return ::testing::AssertionFailure()
                   << "frame " << k << " stamped " << p.dwTime << " after " << before.dwTime;
        const bool ends = (p.pointerFlags & POINTER_FLAG_UP) != 0;
        if (ends && (p.ptPixelLocation.x != before.ptPixelLocation.x ||
                     p.ptPixelLocation.y != before.ptPixelLocation.y))
            return ::testing::AssertionFailure()
                   << "frame " << k << " ends at (" << p.ptPixelLocation.x << ", " << p.ptPixelLocation.y
                   << "), the frame before was at (" << before.ptPixelLocation.x << ", "
                   << before.ptPixelLocation.y << ")";
    }
    return ::testing::AssertionSuccess() << frames.size() << " frames";
}

::testing::AssertionResult landedNear(const InjectedTouchInfo& frame, double x, double y) {
    const POINT p = frame.pointerInfo.ptPixelLocation;
    if (std::hypot(p.x - x, p.y - y) <= 2.0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "at (" << p.x << ", " << p.y << "), not near (" << x << ", " << y << ")";
}

// The button events the mouse recorder saw injected, as "ldown lup".
std::string injectedButtons() {
    std::string s;
    for (const MouseRecord& r : mouseRecorderButtons())
        if (r.injected)
            s += std::string(s.empty() ? "" : " ") + (r.message == WM_LBUTTONDOWN ? "ldown"
                                                      : r.message == WM_LBUTTONUP ? "lup"
                                                                                  : "other");
    return s;
}

// The longest time between two Get commands the board received: how long the reader did not run.
double longestPollGapMs(const SimBoard* board) {
    double longest = 0, last = -1;
    for (const SimEvent& e : simboardCommands(board)) {
        if (e.command != SIM_CMD_GET)
            continue;
        if (last >= 0)
            longest = std::max(longest, e.timeMs - last);
        last = e.timeMs;
    }
    return longest;
}

int screenW() {
    return GetSystemMetrics(SM_CXSCREEN);
}
int screenH() {
    return GetSystemMetrics(SM_CYSCREEN);
}

class TouchInjection : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        board = simboardStart();
        ASSERT_NE(board, nullptr);
        primary = boardScreen(screenW(), screenH());
        publishScreenTargets(primary);
        settings.smoothingPeriod = 1; // no smoothing: every update is where the finger is
        ASSERT_TRUE(installBoardCalibration(board, primary));
        sensorHandle = findSensor();
        ASSERT_NE(sensorHandle.load(), nullptr);
        bindTouchInjection(recorder); // the reader sets injection up with it
        reader = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, nullptr);
        ASSERT_GE(simboardWaitCommand(board, 0, SIM_CMD_GET, 3000, 0, true), 0) << "the reader does not poll";
        initializedOn = initializeThread;
    }
    static void TearDownTestSuite() {
        if (reader) {
            stopSensorReader(reader, 500);
            CloseHandle(reader);
        }
        simboardStop(board);
        startTouchInjection({nullptr, nullptr});
        bindTouchInjection({nullptr, nullptr});
    }
    void SetUp() override {
        ASSERT_TRUE(mouseRecorderStart());
        mouseRecorderClear();
        from = frameCount();
    }
    void TearDown() override {
        simboardFingerLift(board, 0);
        flushEvents(100);
        mouseRecorderStop();
    }
    // Plays the path and waits until it is over and the reader has seen the lift (a late sensor
    // needs a longer settle: the lift comes two late replies later).
    void play(const SimPath& path, DWORD settleMs = 150) {
        simboardPlay(board, 0, path);
        ASSERT_TRUE(simboardWaitFinger(board, 0, 10000, true));
        flushEvents(settleMs);
    }
    // Plays a path that goes as a contact. A machine too busy to run the reader for most of a tenth
    // of a second lets the contact expire, as Windows would then: that is the machine, not the
    // frames, and the path is played again, its frames counted from there.
    void playSteadily(const SimPath& path) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            simboardClearLog(board);
            play(path);
            if (longestPollGapMs(board) < 90)
                return;
            from = frameCount();
        }
    }
    // A touch held still for `heldMs`, then lifted.
    static SimPath tapAt(double x, double y, int heldMs = 100) {
        SimPath path;
        simDown(path, x, y);
        simHold(path, heldMs);
        simLift(path);
        return path;
    }
    void tap(double x, double y) { playSteadily(tapAt(x, y)); }
    void mouseTap(double x, double y) { play(tapAt(x, y)); }
    // Puts the finger down and keeps it there until lifted; waits until the contact is down.
    ::testing::AssertionResult holdDown(double x, double y) {
        simboardFingerDown(board, 0, x, y);
        if (waitFor([&] { return frameCount() > from + 2; }, 2000, 20))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no contact came down";
    }
    std::vector<InjectedTouchInfo> frames() const { return framesFrom(from); }

    // Sets the board's replies and lets the reader settle into them.
    void replies(DWORD delayMs, bool silent = false, DWORD settleMs = 300) {
        SimReplyMode mode;
        mode.delayMs = delayMs;
        mode.silent = silent;
        simboardSetReplies(board, 0, mode);
        flushEvents(settleMs);
    }

    static SimBoard* board;
    static ScreenTargets primary;
    static HANDLE reader;
    static DWORD initializedOn; // the thread that set touch injection up
    size_t from = 0;
};
SimBoard* TouchInjection::board = nullptr;
ScreenTargets TouchInjection::primary = {};
HANDLE TouchInjection::reader = nullptr;
DWORD TouchInjection::initializedOn = 0;

} // namespace

// The path is chosen once at start: touch only when both functions are there and initialisation
// with one contact and the default feedback succeeds. Wine's user32 has neither: the mouse.
TEST_F(TouchInjection, TheStartChoosesTouchOnlyWhereInjectionWorks) {
    // Set up by the reader thread, the one that injects.
    EXPECT_EQ(initializedOn, GetThreadId(reader));
    const TouchInjectionFunctions system = systemTouchInjectionFunctions();
    if (!system.initialize && !system.inject) {
        EXPECT_FALSE(startTouchInjection(system)) << "no touch injection here: the mouse";
    }
    EXPECT_FALSE(startTouchInjection({recordInitialize, nullptr}));
    EXPECT_FALSE(touchInjectionAvailable());
    EXPECT_FALSE(startTouchInjection({nullptr, recordInject}));
    initializeCalls = 0;
    initializeFails = true;
    EXPECT_FALSE(startTouchInjection(recorder));
    EXPECT_FALSE(touchInjectionAvailable());
    initializeFails = false;
    EXPECT_TRUE(startTouchInjection(recorder));
    EXPECT_TRUE(touchInjectionAvailable());
    EXPECT_EQ(initializeCalls, 2);
    EXPECT_EQ(initializeMax, 1u);
    EXPECT_EQ(initializeMode, DWORD(TOUCH_FEEDBACK_DEFAULT));
    // A frame as user32 takes it.
    const TouchFrame frame = {CONTACT_UPDATE_FLAGS, 0, -700, 35, {-702, 33, -697, 38}, 123456};
    const InjectedTouchInfo info = injectedTouchInfo(frame);
    EXPECT_TRUE(wellFormed({info}));
    EXPECT_EQ(info.pointerInfo.pointerFlags, frame.flags);
    EXPECT_EQ(info.pointerInfo.ptPixelLocation.x, -700);
    EXPECT_EQ(info.pointerInfo.ptPixelLocation.y, 35);
    EXPECT_EQ(info.pointerInfo.dwTime, 123456u);
    EXPECT_EQ(info.pointerInfo.performanceCount, 0u);
    EXPECT_EQ(info.rcContact.right, -697);
}

// A tap, a drag and a hold of 1.5 s are frames of one contact and nothing of the mouse: no button,
// no hold ring's right click; a finger held still keeps updating, never 100 ms apart.
TEST_F(TouchInjection, TapDragAndHoldAreFramesOfOneContact) {
    const int w = screenW(), h = screenH();
    tap(w / 3, h / 3);
    std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* up");
    EXPECT_TRUE(wellFormed(f));
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(landedNear(f.front(), w / 3, h / 3));
    EXPECT_TRUE(landedNear(f.back(), w / 3, h / 3));

    from = frameCount();
    const POINT a = {w / 5, h / 4}, b = {w * 3 / 5, h / 2};
    SimPath drag;
    simDown(drag, a.x, a.y);
    simHold(drag, 60);
    simMove(drag, b.x, b.y, 600);
    simHold(drag, 60);
    simLift(drag);
    playSteadily(drag);
    f = frames();
    EXPECT_EQ(kinds(f), "down update* up");
    EXPECT_TRUE(wellFormed(f));
    ASSERT_GT(f.size(), 10u) << "the drag did not update";
    EXPECT_TRUE(landedNear(f.front(), a.x, a.y));
    EXPECT_TRUE(landedNear(f.back(), b.x, b.y));
    int offPath = 0;
    for (const InjectedTouchInfo& frame : f) {
        const POINT p = frame.pointerInfo.ptPixelLocation;
        const double t = double(p.x - a.x) / (b.x - a.x);
        offPath += p.x < a.x - 3 || p.x > b.x + 3 || std::fabs(p.y - (a.y + t * (b.y - a.y))) > 4;
    }
    EXPECT_EQ(offPath, 0) << "frames off the drag's path";

    from = frameCount();
    playSteadily(tapAt(w / 2, h / 2, 1500));
    f = frames();
    EXPECT_EQ(kinds(f), "down update* up");
    EXPECT_TRUE(wellFormed(f));
    ASSERT_GT(f.size(), 30u) << "too few updates while held still";
    DWORD longestGap = 0;
    for (size_t k = 1; k < f.size(); ++k) {
        longestGap = std::max<DWORD>(longestGap, f[k].pointerInfo.dwTime - f[k - 1].pointerInfo.dwTime);
        EXPECT_TRUE(landedNear(f[k], w / 2, h / 2)) << "frame " << k;
    }
    EXPECT_LE(longestGap, 100u) << "the contact would have expired";
    EXPECT_GE(f.back().pointerInfo.dwTime - f.front().pointerInfo.dwTime, 1400u);
    EXPECT_EQ(injectedButtons(), "") << "mouse buttons on the touch path";
    EXPECT_EQ(badCounts, 0) << "frames of more than one contact";
    std::lock_guard<std::mutex> locked(recordLock);
    EXPECT_EQ(injectingThreads, std::set<DWORD>{GetThreadId(reader)}) << "frames from another thread";
}

// The board on a monitor left of the primary, its origin negative: the frames are at that
// monitor's pixels on the virtual screen.
TEST_F(TouchInjection, ASecondMonitorWithANegativeOrigin) {
    const int w = screenW(), h = screenH();
    publishScreenTargets(boardScreen(w, h, -w, 2 * w, -w));
    tap(w / 4, h / 3);
    publishScreenTargets(primary);
    const std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* up");
    EXPECT_TRUE(wellFormed(f));
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(landedNear(f.front(), w / 4 - w, h / 3));
    for (const InjectedTouchInfo& frame : f)
        EXPECT_LE(frame.rcContact.right, 0) << "contact area off the board's monitor";
}

// A sensor that stops answering mid-touch: the contact lives through 400 ms of silence, kept
// alive by the clock, well within the link's grace; once the grace is over it is cancelled where it
// was, and the rest of that touch sends nothing when the sensor answers again; the next touch is a
// contact again.
TEST_F(TouchInjection, ATouchLostToASilentSensorIsCancelled) {
    const int w = screenW(), h = screenH();
    ASSERT_TRUE(holdDown(w / 2, h / 3));
    replies(0, true, 400);
    EXPECT_EQ(kinds(frames()), "down update*") << "400 ms of silence ended the contact";
    EXPECT_LE(longestFrameGapMs(from), 60.0) << "the contact went that long without a frame";
    flushEvents(900); // past the link's grace: time is the point
    std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* cancel");
    EXPECT_TRUE(wellFormed(f));
    replies(0, false, 1300); // the replies owed by the silence are given up within a second
    EXPECT_EQ(frameCount(), from + f.size()) << "the rest of the lost touch was sent";
    simboardFingerLift(board, 0);
    flushEvents(100); // the lift seen before the next touch
    from = frameCount();
    tap(w / 2, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up");
    EXPECT_EQ(injectedButtons(), "");
}

// A sensor that answers every command 150 ms late: one exchange waits 100 ms for a reply, yet a
// finger held 2 s is one contact, never cancelled, its frames never more than 60 ms apart, and a
// short touch is a down and an up.
TEST_F(TouchInjection, AHeldTouchOnALateSensorIsOneContact) {
    const int w = screenW(), h = screenH();
    replies(150);
    play(tapAt(w / 2, h / 2, 2000), 800);
    std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* up");
    EXPECT_TRUE(wellFormed(f));
    const double longest = longestFrameGapMs(from);
    EXPECT_LE(longest, 60.0);
    std::printf("held 2 s, replies 150 ms late: %zu frames, the longest gap %.1f ms\n", f.size(), longest);
    ASSERT_FALSE(f.empty());
    EXPECT_GE(f.back().pointerInfo.dwTime - f.front().pointerInfo.dwTime, 1900u);

    from = frameCount(); // a tap long enough for a reply 150 ms late to see it
    play(tapAt(w / 3, h / 2, 300), 800);
    EXPECT_EQ(kinds(frames()), "down update* up") << "a tap on a late sensor";
    EXPECT_LE(longestFrameGapMs(from), 60.0);
    EXPECT_EQ(injectedButtons(), "");
    replies(0, false, 1200);
}

// Another program asks the sensor something once, through a connection of its own: the sensor's
// driver gives the reply to every handle, the reader's too. The connection stays open until the
// reply has gone out (what it reads first may be a copy of one of the reader's replies).
::testing::AssertionResult foreignProbe(SimBoard* board) {
    const HANDLE other = CreateFileA(simboardPipePath(board, 0).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return ::testing::AssertionFailure() << "the other program's open failed: " << GetLastError();
    const uint8_t probe[9] = {0x00, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    DWORD moved = 0;
    const bool written = WriteFile(other, probe, sizeof probe, &moved, nullptr);
    const DWORD error = GetLastError();
    flushEvents(150);
    CloseHandle(other);
    if (!written)
        return ::testing::AssertionFailure() << "the other program's probe failed: " << error;
    return ::testing::AssertionSuccess();
}

// One reply without a point in the middle of a slow drag lands in the read the reader has pending:
// a frame the sensor sent by itself (a contact's drag), or the reply to another program's probe
// (a drag of the mouse). It is no lift, and the drag stays one drag.
TEST_F(TouchInjection, AStrayReplyMidDragIsNoLift) {
    const int w = screenW(), h = screenH();
    for (int asMouse = 0; asMouse < 2; ++asMouse) {
        SimReplyMode mode;
        mode.delayMs = 20;     // a read pending most of the time, for the stray reply to land in
        mode.fanOut = asMouse; // every reply to every handle, as a HID class driver gives them
        simboardSetReplies(board, 0, mode);
        touchChoice = asMouse ? 0 : 1;
        flushEvents(300);
        mouseRecorderClear();
        from = frameCount();
        SimPath drag;
        simDown(drag, w / 5, h / 3);
        simMove(drag, w * 3 / 5, h / 2, 1500);
        simLift(drag);
        simboardPlay(board, 0, drag);
        flushEvents(600);
        if (asMouse) {
            EXPECT_TRUE(foreignProbe(board));
        } else {
            ASSERT_GE(simboardWaitCommand(board, 0, SIM_CMD_GET, 1000, simboardLogSize(board), true), 0);
            const uint8_t empty[] = {0x00, 0x0A}; // an answer without a point
            simboardSendReport(board, 0, empty, sizeof empty);
        }
        ASSERT_TRUE(simboardWaitFinger(board, 0, 10000, true));
        flushEvents(200);
        if (asMouse) {
            EXPECT_EQ(injectedButtons(), "ldown lup") << "the mouse's drag was broken";
        } else {
            EXPECT_EQ(kinds(frames()), "down update* up") << "the contact's drag was broken";
            EXPECT_EQ(injectedButtons(), "");
        }
    }
    touchChoice = 1;
    replies(0);
}

// A calibration starting while a finger is down: the contact is cancelled at once.
TEST_F(TouchInjection, ACalibrationStartedMidTouchCancelsTheContact) {
    const int w = screenW(), h = screenH();
    ASSERT_TRUE(holdDown(w / 3, h / 2));
    calibState = CALIB_CAPTURING;
    flushEvents(200); // the cancel, and nothing after it within this time
    const std::vector<InjectedTouchInfo> f = frames();
    simboardFingerLift(board, 0);
    flushEvents(100); // nothing must come within it
    calibPointIndex = 0;
    calibState.store(CALIB_MAPPING, std::memory_order_release);
    EXPECT_EQ(kinds(f), "down update* cancel");
    EXPECT_TRUE(wellFormed(f));
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(landedNear(f.back(), w / 3, h / 2));
}

// A display change mid-touch: the system cancels every injected contact and would refuse the next
// frame; the contact is cancelled first, the rest of that touch is left alone, and touch injection
// stays on.
TEST_F(TouchInjection, ADisplayChangeMidTouchCancelsTheContactAndKeepsTouch) {
    const int w = screenW(), h = screenH();
    ASSERT_TRUE(holdDown(w / 2, h * 2 / 3));
    publishScreenTargets(primary); // what the main window does at WM_DISPLAYCHANGE
    flushEvents(300);              // the cancel, and nothing after it within this time
    const std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* cancel");
    EXPECT_TRUE(wellFormed(f));
    simboardFingerLift(board, 0);
    flushEvents(100); // nothing must come within it
    EXPECT_EQ(frameCount(), from + f.size()) << "frames after the cancel";
    EXPECT_TRUE(touchInjectionAvailable());
    from = frameCount();
    tap(w / 2, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up");
}

// The session locking mid-touch ends the touch through the reader's release: a cancelled contact,
// and nothing more of that touch while the finger stays; the next touch is a contact again.
TEST_F(TouchInjection, ASessionLockMidTouchCancelsTheContact) {
    const int w = screenW(), h = screenH();
    ASSERT_TRUE(holdDown(w * 2 / 3, h / 2));
    cancelTouchInProgress();
    flushEvents(400); // the cancel, and nothing after it within this time
    std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* cancel");
    EXPECT_TRUE(wellFormed(f));
    simboardFingerLift(board, 0);
    flushEvents(100); // nothing must come within it
    EXPECT_EQ(frameCount(), from + f.size()) << "frames after the cancel";
    from = frameCount();
    tap(w / 2, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up");
}

// A touch that comes down on one of this program's windows is the mouse for its whole length,
// even when it leaves the window; so is every touch while the user chose the mouse.
TEST_F(TouchInjection, OwnWindowsAndTheMouseChoiceGiveTheMouse) {
    const int w = screenW(), h = screenH();
    HWND own = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, w / 4, h / 4, 200, 150,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(own, nullptr);
    flushEvents(200);
    SimPath path;
    simDown(path, w / 4 + 100, h / 4 + 75);
    simHold(path, 60);
    simMove(path, w / 2 + 100, h / 2, 300);
    simLift(path);
    play(path);
    DestroyWindow(own);
    EXPECT_EQ(kinds(frames()), "") << "frames for a touch on our own window";
    EXPECT_EQ(injectedButtons(), "ldown lup");

    mouseRecorderClear();
    touchChoice = 0;
    mouseTap(w / 2, h / 3);
    touchChoice = 1;
    EXPECT_EQ(kinds(frames()), "") << "frames while the user chose the mouse";
    EXPECT_EQ(injectedButtons(), "ldown lup");
}

// The system refuses an update mid-drag, with each of the refusals Windows documents as passing:
// that contact is cancelled, the rest of that drag is neither frames nor a mouse, and the next
// touch is a contact again. A refused up is followed by a cancelled one; touch goes on.
TEST_F(TouchInjection, ARefusedFrameEndsItsContactNotTouch) {
    const int w = screenW(), h = screenH();
    for (DWORD error : {DWORD(ERROR_NOT_READY), DWORD(ERROR_TIMEOUT), DWORD(ERROR_INVALID_PARAMETER)}) {
        mouseRecorderClear();
        from = frameCount();
        refuseNext(CONTACT_UPDATE_FLAGS, error, 1);
        SimPath drag;
        simDown(drag, w / 5, h / 5);
        simHold(drag, 60);
        simMove(drag, w / 2, h / 2, 500);
        simLift(drag);
        play(drag);
        const std::vector<InjectedTouchInfo> f = frames();
        EXPECT_EQ(kinds(f), "down update* cancel") << "error " << error;
        EXPECT_LE(f.size(), 4u) << "frames after the refused update, error " << error;
        EXPECT_EQ(lastTouchRefusal(), error);
        EXPECT_TRUE(touchInjectionAvailable()) << "error " << error;
        EXPECT_EQ(injectedButtons(), "") << "the refused touch was replayed as a mouse, error " << error;
        from = frameCount();
        tap(w / 2, h / 3);
        EXPECT_EQ(kinds(frames()), "down update* up") << "the touch after a refusal, error " << error;
        EXPECT_EQ(injectedButtons(), "");
    }
    from = frameCount();
    refuseNext(CONTACT_UP_FLAGS, ERROR_NOT_READY, 1);
    tap(w / 3, h / 3);
    EXPECT_EQ(kinds(frames()), "down update* up cancel");
    from = frameCount();
    tap(w / 3, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up");
    EXPECT_EQ(injectedButtons(), "");
}

// The main window as the reader sees it: counts what it is told.
int givenUpTold = 0;
LRESULT CALLBACK countGivenUp(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_TOUCH_GIVEN_UP)
        ++givenUpTold;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A touch whose down the system refuses goes to the mouse whole: a click. Two such touches and
// then a contact start the count again; three in a row give the mouse until touch is ticked
// again, and the main window is told once.
TEST_F(TouchInjection, ThreeRefusedDownsInARowGiveTheMouseUntilTickedAgain) {
    const int w = screenW(), h = screenH();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = countGivenUp;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TouchGivenUpCounter";
    RegisterClassA(&wc);
    const HWND told =
        CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(told, nullptr);
    hwndMain = told;
    givenUpTold = 0;
    refuseNext(CONTACT_DOWN_FLAGS, ERROR_ACCESS_DENIED, 2);
    mouseTap(w / 2, h / 3);
    mouseTap(w / 3, h / 3);
    EXPECT_EQ(injectedButtons(), "ldown lup ldown lup") << "touches whose down was refused";
    from = frameCount();
    tap(w / 2, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up") << "two refused downs gave touch up";

    mouseRecorderClear();
    from = frameCount();
    refuseNext(CONTACT_DOWN_FLAGS, ERROR_ACCESS_DENIED, 3);
    for (int k = 0; k < 3; ++k)
        mouseTap(w / 4 + 50 * k, h / 3);
    EXPECT_EQ(kinds(frames()), "down down down");
    EXPECT_EQ(injectedButtons(), "ldown lup ldown lup ldown lup");
    EXPECT_FALSE(touchInjectionAvailable());
    EXPECT_TRUE(touchInjectionStarted()) << "the choice is still offered";
    flushEvents(50);
    EXPECT_EQ(givenUpTold, 1);
    mouseRecorderClear();
    from = frameCount();
    mouseTap(w / 2, h / 3);
    EXPECT_EQ(frameCount(), from) << "frames while touch is given up";
    EXPECT_EQ(injectedButtons(), "ldown lup");

    EXPECT_TRUE(resumeTouchInjection()); // the user ticks touch again
    tap(w / 2, h / 2);
    EXPECT_EQ(kinds(frames()), "down update* up");
    EXPECT_EQ(givenUpTold, 1);
    hwndMain = nullptr;
    DestroyWindow(told);
}

// The program stopping mid-touch: the reader cancels the contact before it ends, and nothing is
// left for the GUI thread to release. (Last: the reader stays stopped.)
TEST_F(TouchInjection, TheProgramStoppingMidTouchCancelsTheContact) {
    ASSERT_TRUE(holdDown(screenW() / 2, screenH() / 2));
    EXPECT_TRUE(stopSensorReader(reader, 500));
    CloseHandle(reader);
    reader = nullptr;
    const size_t afterStop = frameCount();
    releaseAbandonedTouch();
    const std::vector<InjectedTouchInfo> f = frames();
    EXPECT_EQ(kinds(f), "down update* cancel");
    EXPECT_TRUE(wellFormed(f));
    EXPECT_EQ(frameCount(), afterStop) << "released twice";
}
