// The reader thread: every round looks at sensorHandle and calibState afresh and then maps one
// touch onto the pointer, takes one calibration point, or idles. The pace is set by the exchanges
// with the sensor; only the idle rounds sleep.
#include "touch/sensor_reader.h"

#include <atomic>
#include <cstring>

#include "app/app_state.h"
#include "app/ids.h"
#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"
#include "sensor/sensor_link.h"
#include "touch/core/capture.h"
#include "touch/core/gesture.h"
#include "touch/pointer_injection.h"

namespace {

std::atomic<bool> stopRequested{false}; // set by the GUI thread at shut-down and log-off

struct Reader {
    SensorReport sHidWGet = {};
    SensorReport sHidWStop = {};
    SensorReport sHidWRun = {}; // sent when a rejected capture starts again
    SensorReport sHidRead = {};
    TouchTrack touch;
    MousePoint pMouse = {-1, -1};
    double distance[2] = {0, 0}; // the last (u, v) the transform produced
    bool haveDistance = false;   // none yet: a touch without a result injects nothing
    CaptureTrack capture;
};

void endTouch(Reader& r) {
    if (r.touch.touchState != TOUCH_NONE) {
        releaseTouch(systemPointer, r.touch.touchState, r.pMouse.x, r.pMouse.y);
        r.touch.touchState = TOUCH_NONE;
    }
}

void mappingRound(Reader& r, HANDLE handle) {
    if (exchangeReport(handle, r.sHidWGet, r.sHidRead) != EXCHANGE_OK) {
        endTouch(r);
        return;
    }
    if (!replyCarriesAnswer(r.sHidRead))
        return; // neither a point nor a lift: a touch in progress stays in progress
    const SensorPoint p = decodeSensorPoint(r.sHidRead);
    if (!isValidSensorPoint(p)) {
        endTouch(r);
        return;
    }
    const float smoothFactor = smoothFactorFor(settings.ouhe);
    if (sensorToUnitSquare(calibSensorPoints, calibWeights, p.x, p.y, r.distance))
        r.haveDistance = true;
    if (!r.haveDistance)
        return;
    const int targets[3][2] = {{calibTargets[0].x, calibTargets[0].y},
                               {calibTargets[1].x, calibTargets[1].y},
                               {calibTargets[2].x, calibTargets[2].y}};
    const int width = screenWidth, height = screenHeight;
    ScreenPoint pixel = {0, 0};
    if (!unitSquareToPixel(r.distance[0], r.distance[1], targets, width, height, pixel))
        return;
    r.pMouse = {pixelToMouseX(pixel.x, width), pixelToMouseY(pixel.y, height)};
    trackTouch(r.touch, systemPointer, pixel.x, pixel.y, r.pMouse, smoothFactor);
}

// The fourth point is in: install the capture if it can work, else start it again.
void completeCapture(Reader& r, HANDLE handle) {
    const int32_t* points = r.capture.pDingweiTem;
    Vec3 newPoints[4] = {};
    Vec3 newWeights = {0, 0, 0};
    if (!captureShapeAcceptable(points) || !setUpTransform(points, newPoints, newWeights)) {
        // The previous calibration stays in force; the cross goes back to the top left, and the
        // rest of the last touch cannot become the new first point.
        calibPointIndex = 0;
        restartCapture(r.capture);
        exchangeReport(handle, r.sHidWRun, r.sHidRead);
        SendMessageA(hwndMain, UM_CALIB_POINT, 0, 0);
        return;
    }
    exchangeReport(handle, r.sHidWStop, r.sHidRead);
    SendMessageA(hwndMain, UM_CALIB_DONE, 0, 0);
    std::memcpy(calibRaw, points, sizeof calibRaw);
    std::memcpy(calibSensorPoints, newPoints, sizeof calibSensorPoints);
    calibWeights = newWeights;
    // The transform is complete before touches are let through.
    calibState.store(CALIB_MAPPING, std::memory_order_release);
    calibValid.store(CALIB_MAPPING, std::memory_order_release);
    Sleep(1);
}

void captureRound(Reader& r, HANDLE handle) {
    exchangeReport(handle, r.sHidWGet, r.sHidRead); // whatever comes back is discarded
    endTouch(r);                                    // no button stays down while calibrating
    if (exchangeReport(handle, r.sHidWGet, r.sHidRead) != EXCHANGE_OK) {
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
    int32_t index = calibPointIndex;
    if (offerCapturePoint(r.capture, index, p.x, p.y, GetTickCount()) != CAPTURE_ACCEPTED)
        return;
    // The GUI thread may have reset the index meanwhile (a display change, a new start): then this
    // point belongs to no cross any more.
    if (!calibPointIndex.compare_exchange_strong(index, index + 1))
        return;
    SendMessageA(hwndMain, UM_CALIB_POINT, 0, 0);
    if (index + 1 == 4)
        completeCapture(r, handle);
}

} // namespace

DWORD WINAPI sensorReaderProc(LPVOID) {
    Reader r;
    buildSensorCommand(r.sHidWGet, SENSOR_GET);
    buildSensorCommand(r.sHidWStop, SENSOR_STOP);
    buildSensorCommand(r.sHidWRun, SENSOR_RUN);
    for (;;) {
        if (stopRequested) {
            endTouch(r);
            return 0;
        }
        const HANDLE handle = sensorHandle;
        if (!handle) {
            Sleep(1);
            endTouch(r);
            continue;
        }
        const int32_t state = calibState.load(std::memory_order_acquire);
        if (state == CALIB_MAPPING) {
            mappingRound(r, handle);
        } else if (state == CALIB_CAPTURING) {
            captureRound(r, handle);
        } else {
            // No calibration: no exchange, nothing injected. A touch cannot be in progress here,
            // but should one be, it is ended rather than left with a button down.
            endTouch(r);
            Sleep(1);
        }
    }
}

bool stopSensorReader(HANDLE thread, DWORD timeoutMs) {
    stopRequested = true;
    if (!thread)
        return true;
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
