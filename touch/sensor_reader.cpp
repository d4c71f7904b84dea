// The reader thread: every round looks at sensorHandle and calibState afresh and then maps one
// touch onto the pointer (and tells the hold ring what to show), takes one calibration point, or
// idles. While a finger is down the pace is set by the exchanges with the sensor; otherwise a round
// is paced with Sleep to take at least 8 ms, so an idle board costs next to nothing, and once the
// board has gone 5 s without a touch at least 25 ms (touch/core/rest_pace.h): a board left to rest
// lets a laptop's USB link and processor sleep between its rounds. Sleep ends at a tick of the
// system timer: at Windows' default resolution (15.6 ms) an idle round lasts about 15.6 ms, 64
// rounds a second, and a touch-down is seen within about 16 ms. A resting round of 25 ms sleeps
// more than one tick and less than two, and "the wait can be anywhere between one and two ticks"
// (Sleep's documentation): one tick would leave it as frequent as an awake round, so a resting
// round that ended early sleeps again until its 25 ms are up, on the performance counter. It then
// lasts two ticks, 31.2 ms, 32 rounds a second, and a touch-down is seen within about 31 ms. Where
// the timer runs finer (a program that raised it, or Wine) a round lasts the 8 or 25 ms. The first
// point of a touch puts the reader back at the sensor's pace at once, and a hold or a tap is timed
// from that point: resting delays only when the touch is first seen.
//
// A touch over a link that fails: a late sensor answers every command, but the answers come in
// rounds after the one that asked (the exchange collects them), so a failed exchange alone does not
// end a touch. Only a link that gives no answer for a second ends it, released as at a lift:
// a finger held still on a late sensor is one hold, a drag one drag, a tap at most one click.
//
// A lift is a lift when two replies in a row say so: one reply without a point in the middle of a
// touch (another program's command to the sensor, whose reply reaches every handle, or a frame the
// sensor dropped) would otherwise break a drag in two. The second comes a round later, a few
// milliseconds.
//
// A contact of the system's touch injection expires after 100 ms without a frame, and one exchange
// may wait 100 ms for its reply (more for the sensor's lock): the contact is kept alive from the
// reader's waits, not between exchanges. Every wait of this thread while a contact is down (the
// exchange's transfers and lock, the pause after failures) is cut into slices that end when a
// keep-alive frame is due (CONTACT_KEEPALIVE_MS on the performance counter). The frames stay on
// this thread, the one that set touch injection up: a thread of their own would need a lock
// around the contact and would inject from a thread that did not initialise injection.
#include "touch/sensor_reader.h"

#include <atomic>
#include <cstring>

#include "win32/program.h"
#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "win32/ids.h"
#include "win32/precise_clock.h"
#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"
#include "sensor/sensor_link.h"
#include "calibration/core/cross_touches.h"
#include "touch/core/gesture.h"
#include "touch/core/hold_ring.h"
#include "touch/core/rest_pace.h"
#include "touch/core/touch_contact.h"
#include "touch/hold_ring_window.h"
#include "touch/pointer_injection.h"
#include "touch/touch_injection.h"

namespace {

constexpr DWORD LINK_GRACE_MS = SENSOR_LINK_GRACE_MS; // a touch outlives a link without answers this long
constexpr DWORD IDLE_ROUND_MS =
    8; // a round without exchanges: paused, no handle or no calibration (15.6 ms at the default timer)
constexpr int FAILURES_BEFORE_PAUSE = 3;    // failed exchanges in a row before rounds pause
constexpr DWORD FIRST_PAUSE_MS = 10;        // then doubling with every further failure ...
constexpr DWORD LONGEST_PAUSE_MS = 100;     // ... up to this
constexpr int LIFT_REPLIES = 2;             // replies without a point in a row that make a lift
constexpr int REFUSED_DOWNS_TO_GIVE_UP = 3; // touches in a row whose down the system refused

std::atomic<bool> stopRequested{false};   // set by the GUI thread at shut-down and log-off
std::atomic<bool> cancelRequested{false}; // set by the GUI thread: the touch in progress is lost

// The quiet time before idle rounds slow down: set by setSensorRestAfterMs, read every round.
std::atomic<uint32_t> restAfterMs{REST_AFTER_MS};

// A pause of the polling: the GUI thread asks with a new number (0: poll), the reader answers with
// the number once it has ended any touch and makes no more exchanges. Numbered, so that an answer to
// an earlier pause is never taken for this one's.
std::atomic<uint32_t> pauseAsked{0};   // written by the GUI thread
std::atomic<uint32_t> pauseGranted{0}; // written by the reader
uint32_t lastPause = 0;                // the GUI thread's last number

// The touch in progress as the GUI thread may need it when the reader is gone. A mouse touch:
// whether its units span the virtual screen in bit 63, the state in bits 40..61, the last absolute
// x in bits 20..39 and y in bits 0..19. A contact: bit 62, and its last position in pixels of the
// virtual screen (which may be negative) in the same 20-bit fields. One word, so never half new.
std::atomic<uint64_t> publishedTouch{0};
constexpr uint64_t PUBLISHED_VIRTUAL_DESK = uint64_t(1) << 63;
constexpr uint64_t PUBLISHED_CONTACT = uint64_t(1) << 62;
constexpr int PUBLISHED_STATE_SHIFT = 40;
constexpr int PUBLISHED_X_SHIFT = 20;
constexpr int PUBLISHED_Y_SHIFT = 0;
constexpr uint64_t PUBLISHED_COORD_MASK = 0xFFFFF; // 20 bits of x or y: absolute units are 0..65535

uint64_t publishedCoord(int32_t units, int shift) {
    return (uint64_t(uint32_t(units)) & PUBLISHED_COORD_MASK) << shift;
}

int32_t coordOfPublished(uint64_t touch, int shift) {
    return int32_t((touch >> shift) & PUBLISHED_COORD_MASK);
}

// A pixel coordinate of a contact: the 20 bits read back with their sign.
int32_t signedCoordOfPublished(uint64_t touch, int shift) {
    const int32_t v = coordOfPublished(touch, shift);
    return v & 0x80000 ? v - 0x100000 : v;
}

struct Reader {
    SensorReport getCommand = {}; // the Get command, sent every round to ask for the newest point
    SensorReport sHidWStop = {};
    SensorReport sHidWRun = {}; // sent when a rejected capture starts again
    SensorReport sHidRead = {};
    TouchTrack touch;
    MousePoint pMouse = {-1, -1};
    double distance[2] = {0, 0}; // the last (u, v) the transform produced
    bool haveDistance = false;   // none yet: a touch without a result injects nothing
    CaptureTrack capture;
    // Four corners that passed the shape checks, set up but not installed until the check touch
    // confirms them.
    int32_t newRaw[8] = {};
    Vec3 newPoints[4] = {};
    Vec3 newWeights = {0, 0, 0};
    int32_t ringStep = 0;         // what the hold ring was last told; 0: hidden
    uint32_t holdStartTick = 0;   // tick at which the touch became a hold
    bool needLift = false;        // after a completed calibration: map nothing until the finger lifts
    HANDLE handleInUse = nullptr; // the sensorHandle of the last round; closed once replaced
    DWORD lastAnswer = 0;         // tick of the last exchange that was answered
    int failuresInRow = 0;
    DWORD pauseMs = 0;       // between rounds after repeated failures; 0 when the link works
    bool fingerSeen = false; // this round read a valid point
    const PointerOutput* pointer = &systemPointer; // the units of the touch in progress
    ScreenTargets touchScreen = {};                // the board's monitor as the touch came down
    bool asContact = false;      // the touch in progress goes to the system's touch injection
    TouchContact contact;        // its contact there
    uint32_t touchScreenSeq = 0; // calibTargetsSeq before touchScreen was read
    int emptyReplies = 0;        // replies without a point in a row
    int refusedDowns = 0;        // touches in a row whose down the system refused
    RestPace rest;               // the idle rounds' pace: awake after a touch, resting later
};

void publishTouch(const Reader& r) {
    if (r.contact.state == CONTACT_TOUCHING) {
        publishedTouch.store(PUBLISHED_CONTACT | publishedCoord(r.contact.x, PUBLISHED_X_SHIFT) |
                             publishedCoord(r.contact.y, PUBLISHED_Y_SHIFT));
        return;
    }
    const MousePoint place = pointerPlace(r.touch);
    publishedTouch.store((r.pointer == &virtualDeskPointer ? PUBLISHED_VIRTUAL_DESK : 0) |
                         (uint64_t(uint32_t(r.touch.touchState)) << PUBLISHED_STATE_SHIFT) |
                         publishedCoord(place.x, PUBLISHED_X_SHIFT) |
                         publishedCoord(place.y, PUBLISHED_Y_SHIFT));
}

// Posts the ring's new step when it changed. Posted, not sent: the reader never waits for the GUI.
void tellRing(Reader& r, int32_t step) {
    if (step == r.ringStep)
        return;
    r.ringStep = step;
    const HWND ring = hwndHoldRing;
    if (ring)
        PostMessageA(ring, UM_HOLD_RING, static_cast<WPARAM>(step),
                     holdRingPoint(r.touch.downPoint.x, r.touch.downPoint.y));
}

// After an update of the contact. A refused update ends that contact (cancelled; the system may
// have cancelled it already) but not touch: the rest of that touch is left alone, neither frames
// nor a mouse (which would click where the contact may already have acted), and the next touch is
// a contact again. A contact that expired was ended as cancelled: the rest of that touch is left
// alone too.
void afterContactFrame(Reader& r, ContactOutcome outcome) {
    if (outcome == CONTACT_REFUSED)
        contactCancel(r.contact, systemTouch);
    if (outcome == CONTACT_REFUSED || outcome == CONTACT_EXPIRED)
        r.needLift = true;
    publishTouch(r);
}

// The down of a touch went to the system: taken, the touch is a contact; refused, nothing has acted
// yet and the whole touch goes to the mouse. The third touch in a row refused gives touch up until
// the user ticks it again, and the main window says so. true when the touch is a contact.
bool afterContactDown(Reader& r, ContactOutcome outcome) {
    if (outcome != CONTACT_REFUSED) {
        r.refusedDowns = 0;
        publishTouch(r);
        return true;
    }
    if (++r.refusedDowns >= REFUSED_DOWNS_TO_GIVE_UP) {
        r.refusedDowns = 0;
        giveUpTouchInjection();
        const HWND main = hwndMain;
        if (main)
            PostMessageA(main, UM_TOUCH_GIVEN_UP, 0, 0);
    }
    return false;
}

// The system cancels every injected contact at a display change, and refuses its next frame: the
// contact is cancelled here first (the GUI thread republishes the board's monitor at every display
// change), so that the change does not read as touch injection failing. The rest of the touch is
// left alone. true when it was.
bool contactOutlivedDisplay(Reader& r) {
    if (calibTargetsSeq.load(std::memory_order_acquire) == r.touchScreenSeq)
        return false;
    contactCancel(r.contact, systemTouch);
    r.needLift = true;
    publishTouch(r);
    return true;
}

// A round without a new point while a contact is down: the contact is kept from expiring.
void keepContact(Reader& r) {
    if (r.contact.state == CONTACT_TOUCHING && !contactOutlivedDisplay(r))
        afterContactFrame(r, contactKeepAlive(r.contact, systemTouch));
}

// The reader's waits (ExchangeWaitHook, sleepKeepingContact): a held contact gets its keep-alive
// frame when due. Returns how long the wait may go on before the next one is due.
DWORD keepContactWhileWaiting(void* context) {
    Reader& r = *static_cast<Reader*>(context);
    if (contactMsUntilKeepAlive(r.contact, systemTouch) == 0)
        keepContact(r);
    const uint32_t next = contactMsUntilKeepAlive(r.contact, systemTouch);
    return next == UINT32_MAX ? INFINITE : (next == 0 ? 1 : DWORD(next));
}

// Sleep, in slices that keep a held contact alive.
void sleepKeepingContact(Reader& r, DWORD ms) {
    if (r.contact.state != CONTACT_TOUCHING) {
        Sleep(ms);
        return;
    }
    const DWORD start = GetTickCount();
    for (DWORD slept = 0; slept < ms; slept = GetTickCount() - start) {
        const DWORD slice = keepContactWhileWaiting(&r);
        Sleep(slice < ms - slept ? slice : ms - slept);
    }
}

// Ends the touch in progress. Lifted: the finger left the board, and a contact goes up. Otherwise
// the touch was lost (the link, a calibration starting, the program stopping, the session
// locking): a contact is cancelled. A mouse touch is released as at a lift either way.
void endTouch(Reader& r, bool lifted = false) {
    tellRing(r, 0); // before the release, which pauses 100 ms in a click
    if (r.contact.state != CONTACT_NONE) {
        if (!lifted)
            contactCancel(r.contact, systemTouch);
        else
            contactLift(r.contact, systemTouch); // refused: the contact is cancelled, touch goes on
        publishTouch(r);
    }
    if (r.touch.touchState != TOUCH_NONE) {
        const MousePoint place = pointerPlace(r.touch);
        releaseTouch(*r.pointer, r.touch.touchState, place.x, place.y);
        r.touch.touchState = TOUCH_NONE;
        publishTouch(r);
    }
}

// At touch-down: a contact for the system's touch injection when it works and the user keeps it on,
// unless the touch comes down on one of this program's windows (the palette, a page, the settings):
// those are made for the mouse, and drawing needs its buttons.
bool touchAsContact(const PointerPlace& place) {
    return touchChoice.load() != 0 && touchInjectionAvailable() && !ownWindowAt(place.x, place.y);
}

// The board's monitor on the virtual screen, for the contact area.
ContactBounds boardBounds(const ScreenTargets& screen) {
    const BoardPlacement& p = screen.placement;
    return {p.left, p.top, p.left + screen.width, p.top + screen.height};
}

// A point of a touch that goes as a contact: down at the first, an update at each further one.
// Neither buttons nor the hold ring: press-and-hold is the system's on this path. false when the
// down was refused: the touch goes to the mouse.
bool contactRound(Reader& r, const PointerPlace& place, float smoothFactor, bool down) {
    if (down)
        return afterContactDown(
            r, contactDown(r.contact, systemTouch, place.x, place.y, boardBounds(r.touchScreen)));
    if (!contactOutlivedDisplay(r))
        afterContactFrame(r, contactMove(r.contact, systemTouch, place.x, place.y, smoothFactor));
    return true;
}

// Counts answered and failed exchanges for the pause after repeated failures; true when answered.
bool noteExchange(Reader& r, int result) {
    if (result == EXCHANGE_OK) {
        r.lastAnswer = GetTickCount();
        r.failuresInRow = 0;
        r.pauseMs = 0;
        return true;
    }
    if (++r.failuresInRow >= FAILURES_BEFORE_PAUSE)
        r.pauseMs = r.pauseMs == 0 ? FIRST_PAUSE_MS
                                   : (r.pauseMs * 2 > LONGEST_PAUSE_MS ? LONGEST_PAUSE_MS : r.pauseMs * 2);
    return false;
}

void mappingRound(Reader& r, HANDLE handle) {
    if (!noteExchange(r, exchangeReport(handle, r.getCommand, r.sHidRead))) {
        if (GetTickCount() - r.lastAnswer >= LINK_GRACE_MS) {
            // A contact lost with the link is cancelled, and the rest of that touch, when the
            // sensor answers again, is left alone as after any cancelled contact.
            if (r.contact.state == CONTACT_TOUCHING)
                r.needLift = true;
            endTouch(r);
        } else
            keepContact(r);
        return;
    }
    if (!replyCarriesAnswer(r.sHidRead)) {
        keepContact(r); // neither a point nor a lift: a touch in progress stays in progress
        return;
    }
    const SensorPoint p = decodeSensorPoint(r.sHidRead);
    if (!isValidSensorPoint(p)) {
        if (++r.emptyReplies < LIFT_REPLIES) {
            keepContact(r); // perhaps a stray reply: the next one says whether the finger lifted
            return;
        }
        r.emptyReplies = 0;
        r.needLift = false;
        endTouch(r, true);
        return;
    }
    r.emptyReplies = 0;
    r.fingerSeen = true;
    if (r.needLift)
        return; // the rest of a touch that ended the calibration, or that was lost
    const float smoothFactor = smoothFactorFor(settings.smoothingPeriod);
    if (sensorToUnitSquare(calibSensorPoints, calibWeights, p.x, p.y, r.distance))
        r.haveDistance = true;
    if (!r.haveDistance)
        return;
    // A touch is mapped to its lift in the placement it came down in: the crosses, the monitor's
    // origin and extent and the units together. A display change in the middle of it moves nothing
    // under the button that is down; mixing the new placement's positions with the old units would
    // put the moves and the release somewhere else entirely.
    const bool down = r.touch.touchState == TOUCH_NONE && r.contact.state == CONTACT_NONE;
    if (down) {
        r.touchScreenSeq = calibTargetsSeq.load(std::memory_order_acquire);
        r.touchScreen = readScreenTargets();
        r.pointer = r.touchScreen.placement.virtualDesk ? &virtualDeskPointer : &systemPointer;
    }
    const ScreenTargets& screen = r.touchScreen;
    ScreenPoint pixel = {0, 0};
    if (!calibratedPixel(r.distance[0], r.distance[1], readCalibScreen(), screen.targets, screen.width,
                         screen.height, pixel))
        return;
    const PointerPlace place = boardPixelToPointer(screen.placement, pixel, screen.width, screen.height);
    if (down)
        r.asContact = touchAsContact(place);
    if (r.asContact) {
        r.asContact = contactRound(r, place, smoothFactor, down);
        if (r.asContact)
            return;
    }
    r.pMouse = {place.mouseX, place.mouseY};
    const int32_t before = r.touch.touchState;
    trackTouch(r.touch, *r.pointer, place.x, place.y, r.pMouse, smoothFactor);
    publishTouch(r);
    const uint32_t now = GetTickCount();
    if (before != TOUCH_HOLD && r.touch.touchState == TOUCH_HOLD)
        r.holdStartTick = now;
    tellRing(r, holdRingStep(r.touch.touchState, now - r.touch.downTick, now - r.holdStartTick));
}

// The previous calibration stays in force; the cross goes back to the top left, and the rest of the
// last touch cannot become the new first point.
void restartAtFirstCross(Reader& r, HANDLE handle) {
    restartCapture(r.capture);
    exchangeReport(handle, r.sHidWRun, r.sHidRead);
}

// The fourth point is in: if the four can make a calibration, keep it aside and show the check
// cross; else start again.
void cornersCaptured(Reader& r, HANDLE handle) {
    const int32_t* points = r.capture.pDingweiTem;
    if (!captureShapeAcceptable(points) || !setUpTransform(points, r.newPoints, r.newWeights)) {
        calibPointIndex = 0;
        restartAtFirstCross(r, handle);
    } else {
        std::memcpy(r.newRaw, points, sizeof r.newRaw);
        awaitCheckPoint(r.capture); // a finger left on the fourth cross is no check touch
    }
    SendMessageA(hwndMain, UM_CALIB_POINT, 0, 0);
}

// `made` is the screen the crosses stood on.
void installCapture(Reader& r, HANDLE handle, const CrossScreen& made) {
    exchangeReport(handle, r.sHidWStop, r.sHidRead);
    // calibRaw is written before UM_CALIB_DONE: the main window stores it in the registry there and
    // then, so that a calibration outlives a process that ends without its shut-down.
    std::memcpy(calibRaw, r.newRaw, sizeof calibRaw);
    storeCalibScreen(made);
    std::memcpy(calibSensorPoints, r.newPoints, sizeof calibSensorPoints);
    calibWeights = r.newWeights;
    SendMessageA(hwndMain, UM_CALIB_DONE, 0, 0);
    // The finger is still on the check cross: what is left of that touch is not a click.
    r.needLift = true;
    // The transform is complete before touches are let through.
    calibState.store(CALIB_MAPPING, std::memory_order_release);
    calibValid.store(CALIB_MAPPING, std::memory_order_release);
    Sleep(1);
}

// The check touch is in: mapped with the new calibration, it must land near the check cross for
// the calibration to be installed; a miss starts the capture again.
void checkCaptured(Reader& r, HANDLE handle) {
    const ScreenTargets screen = readScreenTargets();
    const ScreenPoint cross = calibrationCross(CAPTURE_CHECK_INDEX, screen.width, screen.height);
    double uv[2] = {0, 0};
    ScreenPoint landed = {0, 0};
    const bool accurate =
        sensorToUnitSquare(r.newPoints, r.newWeights, r.capture.pCheck[0], r.capture.pCheck[1], uv) &&
        unitSquareToPixel(uv[0], uv[1], screen.targets, screen.width, screen.height, landed) &&
        checkPointAccurate(landed.x, landed.y, cross.x, cross.y, screen.width, screen.height);
    // The GUI thread may have started the calibration again meanwhile: then this touch checks nothing.
    int32_t index = CAPTURE_CHECK_INDEX;
    if (!calibPointIndex.compare_exchange_strong(index, accurate ? CAPTURE_CHECK_INDEX + 1 : 0))
        return;
    if (accurate) {
        installCapture(r, handle, {screen.width, screen.height, screen.dpi});
        return;
    }
    restartAtFirstCross(r, handle);
    SendMessageA(hwndMain, UM_CALIB_RETRY, 0, 0);
}

void captureRound(Reader& r, HANDLE handle) {
    exchangeReport(handle, r.getCommand, r.sHidRead); // whatever comes back is discarded
    endTouch(r);                                      // no button stays down while calibrating
    if (!noteExchange(r, exchangeReport(handle, r.getCommand, r.sHidRead))) {
        captureNoTouch(r.capture);
        return;
    }
    if (!replyCarriesAnswer(r.sHidRead))
        return;
    const SensorPoint p = decodeSensorPoint(r.sHidRead);
    if (!isValidSensorPoint(p)) {
        captureNoTouch(r.capture);
        return;
    }
    r.fingerSeen = true;
    int32_t index = calibPointIndex;
    if (offerCapturePoint(r.capture, index, p.x, p.y, GetTickCount()) != CAPTURE_ACCEPTED)
        return;
    if (index == CAPTURE_CHECK_INDEX) {
        checkCaptured(r, handle);
        return;
    }
    // The GUI thread may have reset the index meanwhile (a display change, a new start): then this
    // point belongs to no cross any more.
    if (!calibPointIndex.compare_exchange_strong(index, index + 1))
        return;
    if (index + 1 == 4)
        cornersCaptured(r, handle);
    else
        SendMessageA(hwndMain, UM_CALIB_POINT, 0, 0);
}

// The GUI thread replaced or cleared sensorHandle (the sensor was lost, or found again): the old
// handle is no longer anyone's, and this thread was its last user.
void retireHandle(Reader& r, HANDLE current) {
    if (r.handleInUse) {
        forgetSensorHandle(r.handleInUse);
        CloseHandle(r.handleInUse);
    }
    r.handleInUse = current;
    r.failuresInRow = 0;
    r.pauseMs = 0;
}

// Paces the round that began at `start` (preciseMs): the pause after repeated failures, or the idle
// pace, awake or resting.
void endRound(Reader& r, double start) {
    DWORD wait = r.pauseMs;
    const bool fingerDown =
        r.fingerSeen || r.touch.touchState != TOUCH_NONE || r.contact.state != CONTACT_NONE;
    const DWORD now = GetTickCount();
    if (fingerDown)
        restNoteTouch(r.rest, now);
    const uint32_t roundMs = restRoundMs(r.rest, now, restAfterMs.load());
    const double left = roundMs - (preciseMs() - start);
    if (!fingerDown && left >= 1 && DWORD(left) > wait)
        wait = DWORD(left);
    if (wait > 0)
        sleepKeepingContact(r, wait);
    if (fingerDown || roundMs != RESTING_ROUND_MS)
        return;
    // No finger, so no contact to keep alive: plain Sleep until the resting round's time is up.
    for (double rest = roundMs - (preciseMs() - start); rest >= 1; rest = roundMs - (preciseMs() - start))
        Sleep(DWORD(rest));
}

} // namespace

DWORD WINAPI sensorReaderProc(LPVOID) {
    Reader r;
    buildSensorCommand(r.getCommand, SENSOR_GET);
    buildSensorCommand(r.sHidWStop, SENSOR_STOP);
    buildSensorCommand(r.sHidWRun, SENSOR_RUN);
    r.lastAnswer = GetTickCount();
    restNoteTouch(r.rest, r.lastAnswer); // awake for the first seconds
    // Set up here, on the thread that injects every frame.
    startTouchInjection(boundTouchInjection());
    setExchangeWaitHook({keepContactWhileWaiting, &r});
    for (;;) {
        if (stopRequested) {
            endTouch(r);
            return 0;
        }
        if (cancelRequested.exchange(false)) {
            endTouch(r);
            r.needLift = true; // a finger still down is not a new touch
        }
        const HANDLE handle = sensorHandle;
        if (handle != r.handleInUse)
            retireHandle(r, handle);
        const uint32_t pause = pauseAsked;
        if (pause != 0) {
            // Asleep, or the session locked or elsewhere: the touch ends as at a lost link.
            endTouch(r);
            pauseGranted = pause;
            Sleep(IDLE_ROUND_MS);
            continue;
        }
        if (!handle) {
            Sleep(IDLE_ROUND_MS); // the GUI thread opens the sensor again at a device change
            endTouch(r);
            continue;
        }
        const double start = preciseMs();
        r.fingerSeen = false;
        const int32_t state = calibState.load(std::memory_order_acquire);
        if (state == CALIB_MAPPING) {
            mappingRound(r, handle);
        } else if (state == CALIB_CAPTURING) {
            captureRound(r, handle);
        } else {
            // No calibration: no exchange, nothing injected. A touch cannot be in progress here,
            // but should one be, it is ended rather than left with a button down.
            endTouch(r);
            Sleep(IDLE_ROUND_MS);
            continue;
        }
        endRound(r, start);
    }
}

namespace {

// Waits for the thread, handling the messages it may be sending this thread meanwhile.
bool waitForReader(HANDLE thread, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken != WAIT_OBJECT_0 + 1)
            return false;
        // The reader waits in SendMessageA for this thread: peeking handles the sent message.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

bool pauseSensorReader(DWORD timeoutMs) {
    const uint32_t number = ++lastPause == 0 ? ++lastPause : lastPause;
    pauseAsked = number;
    const DWORD start = GetTickCount();
    while (pauseGranted != number) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        // The reader may be waiting in SendMessageA for this thread: handle what it sends.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

void resumeSensorReader() {
    pauseAsked = 0;
}

bool stopSensorReader(HANDLE thread, DWORD timeoutMs) {
    stopRequested = true;
    if (!thread)
        return true;
    if (waitForReader(thread, timeoutMs))
        return true;
    // Still in an exchange: cancel its transfer, which then ends within the exchange's own grace.
    const HANDLE handle = sensorHandle;
    if (handle)
        CancelIoEx(handle, nullptr);
    return waitForReader(thread, timeoutMs + READER_CANCEL_GRACE_MS);
}

void cancelTouchInProgress() {
    cancelRequested = true;
}

void setSensorRestAfterMs(uint32_t ms) {
    restAfterMs.store(ms);
}

void releaseAbandonedTouch() {
    const uint64_t touch = publishedTouch.exchange(0);
    if (touch & PUBLISHED_CONTACT) {
        // Stamped after every frame the reader sent: nextTime waits for the tick after this one.
        TouchContact contact;
        contact.state = CONTACT_TOUCHING;
        contact.x = signedCoordOfPublished(touch, PUBLISHED_X_SHIFT);
        contact.y = signedCoordOfPublished(touch, PUBLISHED_Y_SHIFT);
        contact.bounds = {contact.x, contact.y, contact.x + 1, contact.y + 1};
        contact.lastTime = GetTickCount();
        contact.anyFrame = true;
        contactCancel(contact, systemTouch);
        return;
    }
    const int32_t state =
        int32_t((touch & ~(PUBLISHED_VIRTUAL_DESK | PUBLISHED_CONTACT)) >> PUBLISHED_STATE_SHIFT);
    const PointerOutput& pointer = touch & PUBLISHED_VIRTUAL_DESK ? virtualDeskPointer : systemPointer;
    if (state != TOUCH_NONE)
        releaseTouch(pointer, state, coordOfPublished(touch, PUBLISHED_X_SHIFT),
                     coordOfPublished(touch, PUBLISHED_Y_SHIFT));
}
