// The contact of a touch for the system's touch injection, replayed with exact times: the frames of
// a tap, a drag, a hold, a touch lost or refused, each compared whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/frame_kind.h"
#include "touch/core/touch_contact.h"

namespace {

std::vector<TouchFrame> frames;
uint32_t clockMs = 0;
double fineMs = -1;  // the fine clock, when it differs from the tick count; -1: the same
int refuseFrom = -1; // the index of the first frame the system refuses; -1: none

const TouchOutput recorder = {
    [](const TouchFrame& f) {
        frames.push_back(f);
        return refuseFrom < 0 || int(frames.size()) <= refuseFrom;
    },
    []() { return clockMs; },
    [](uint32_t ms) { clockMs += ms; },
    []() { return fineMs >= 0 ? fineMs : double(clockMs); },
};

// "down(100,200)@5000 update(104,200)@5010 ...": the whole sequence in one line.
std::string trace() {
    std::string s;
    for (const TouchFrame& f : frames)
        s += (s.empty() ? "" : " ") + kindOf(f.flags) + "(" + std::to_string(f.x) + "," +
             std::to_string(f.y) + ")@" + std::to_string(f.time);
    return s;
}

// The kinds only, runs of updates as "update*N".
std::string kinds() {
    std::string s;
    for (size_t k = 0; k < frames.size();) {
        size_t run = 1;
        while (k + run < frames.size() && frames[k + run].flags == frames[k].flags)
            ++run;
        s += (s.empty() ? "" : " ") + kindOf(frames[k].flags) + (run > 1 ? "*" + std::to_string(run) : "");
        k += run;
    }
    return s;
}

constexpr ContactBounds PRIMARY = {0, 0, 1024, 768};

class Contact : public ::testing::Test {
  protected:
    void SetUp() override {
        frames.clear();
        clockMs = 5000;
        fineMs = -1;
        refuseFrom = -1;
    }
    ContactOutcome down(uint32_t t, int32_t x, int32_t y, const ContactBounds& b = PRIMARY) {
        clockMs = t;
        return contactDown(contact, recorder, x, y, b);
    }
    ContactOutcome move(uint32_t t, int32_t x, int32_t y, float smooth = 1.0f) {
        clockMs = t;
        return contactMove(contact, recorder, x, y, smooth);
    }
    ContactOutcome lift(uint32_t t) {
        clockMs = t;
        return contactLift(contact, recorder);
    }
    TouchContact contact;
};

} // namespace

TEST_F(Contact, ATapIsADownAndAnUpWhereItCameDown) {
    EXPECT_EQ(down(5000, 100, 200), CONTACT_INJECTED);
    EXPECT_EQ(move(5008, 101, 201), CONTACT_INJECTED);
    EXPECT_EQ(lift(5016), CONTACT_INJECTED);
    EXPECT_EQ(trace(), "down(100,200)@5000 update(101,201)@5008 up(101,201)@5016");
    EXPECT_EQ(contact.state, CONTACT_NONE);
    for (const TouchFrame& f : frames) {
        EXPECT_EQ(f.id, CONTACT_ID);
        EXPECT_EQ(f.area.right - f.area.left, 2 * CONTACT_AREA_HALF + 1) << "a square around the point";
        EXPECT_EQ(f.area.left + CONTACT_AREA_HALF, f.x);
        EXPECT_EQ(f.area.top + CONTACT_AREA_HALF, f.y);
    }
    // A lift without a contact, or a second lift, sends nothing.
    EXPECT_EQ(lift(5030), CONTACT_SKIPPED);
    EXPECT_EQ(frames.size(), 3u);
}

// The drag's smoothing of the mouse, on pixels: each update covers the factor's share of the way
// to the newest point, and the up stays where the last update was, not at the finger.
TEST_F(Contact, ADragIsSmoothedAndTheUpIsAtTheLastUpdate) {
    down(5000, 100, 100);
    move(5010, 200, 100, 0.5f);
    move(5020, 200, 100, 0.5f);
    move(5030, 200, 140, 0.5f);
    lift(5040);
    EXPECT_EQ(trace(), "down(100,100)@5000 update(150,100)@5010 update(175,100)@5020 update(188,120)@5030 "
                       "up(188,120)@5040");
    // Without smoothing the updates are the points themselves.
    frames.clear();
    down(6000, 300, 300);
    for (int k = 1; k <= 5; ++k)
        move(6000 + 10 * k, 300 + 7 * k, 300 - 3 * k);
    lift(6060);
    EXPECT_EQ(trace(), "down(300,300)@6000 update(307,297)@6010 update(314,294)@6020 update(321,291)@6030 "
                       "update(328,288)@6040 update(335,285)@6050 up(335,285)@6060");
}

// A finger held still for 1.5 s: updates at the same place with every point, never 100 ms apart,
// time stamps rising; the press-and-hold is the system's, nothing else is sent.
TEST_F(Contact, AHoldKeepsUpdatingInPlace) {
    down(5000, 512, 384);
    for (uint32_t t = 5012; t <= 6500; t += 12)
        move(t, 512 + int(t % 3 == 0), 384, 0.2f); // a pixel of jitter, smoothed away
    lift(6510);
    EXPECT_EQ(kinds(), "down update*125 up");
    uint32_t last = 0;
    for (size_t k = 0; k < frames.size(); ++k) {
        EXPECT_EQ(frames[k].x, 512) << k;
        EXPECT_EQ(frames[k].y, 384) << k;
        if (k > 0) {
            EXPECT_GT(frames[k].time, last) << k;
            EXPECT_LE(frames[k].time - last, CONTACT_EXPIRY_MS) << k;
        }
        last = frames[k].time;
    }
}

// Time stamps must rise from frame to frame: a second point in the same millisecond is left out,
// an up in the last frame's millisecond waits for the next.
TEST_F(Contact, TimeStampsAlwaysRise) {
    down(5000, 10, 10);
    EXPECT_EQ(move(5000, 20, 10), CONTACT_SKIPPED);
    EXPECT_EQ(move(5001, 30, 10), CONTACT_INJECTED);
    EXPECT_EQ(lift(5001), CONTACT_INJECTED);
    EXPECT_EQ(down(5002, 40, 10), CONTACT_INJECTED);
    EXPECT_EQ(trace(), "down(10,10)@5000 update(30,10)@5001 up(30,10)@5002 down(40,10)@5003");
    // A clock that wraps: 0xFFFFFFFF is followed by 0, not an expired contact.
    lift(5010);
    frames.clear();
    down(0xFFFFFFF0u, 50, 50);
    move(0xFFFFFFFFu, 51, 50);
    move(0, 52, 50);
    EXPECT_EQ(kinds(), "down update*2") << trace();
}

// Rounds without a new point (a late reply) keep the contact from expiring; a contact that went
// more than 100 ms without a frame (a sensor gone silent) is ended as cancelled where it was, and
// the rest of the touch sends nothing.
TEST_F(Contact, ATouchLostToASilentSensorIsCancelled) {
    down(5000, 300, 400);
    move(5010, 310, 400);
    clockMs = 5060;
    EXPECT_EQ(contactKeepAlive(contact, recorder), CONTACT_INJECTED);
    clockMs = 5060;
    EXPECT_EQ(contactKeepAlive(contact, recorder), CONTACT_SKIPPED);
    clockMs = 5161;
    EXPECT_EQ(contactKeepAlive(contact, recorder), CONTACT_EXPIRED);
    EXPECT_EQ(move(5170, 320, 400), CONTACT_SKIPPED);
    EXPECT_EQ(lift(5180), CONTACT_SKIPPED);
    EXPECT_EQ(trace(), "down(300,400)@5000 update(310,400)@5010 update(310,400)@5060 cancel(310,400)@5161");
    // A lift after such a gap is no up either: the system would refuse it.
    frames.clear();
    down(6000, 10, 20);
    EXPECT_EQ(lift(6101), CONTACT_EXPIRED);
    EXPECT_EQ(trace(), "down(10,20)@6000 cancel(10,20)@6101");
}

// The gap that lets a contact expire is measured on the fine clock: the tick count moves in steps
// of about 15.6 ms, and a gap it calls 94 ms can be 110 (expired), one it calls 109 can be 95 (not).
// The keep-alive is due CONTACT_KEEPALIVE_MS after the last frame on the same clock.
TEST_F(Contact, ExpiryAndKeepAliveGoByTheFineClock) {
    fineMs = 1000.0;
    down(5000, 300, 400);
    EXPECT_EQ(contactMsUntilKeepAlive(contact, recorder), CONTACT_KEEPALIVE_MS);
    fineMs = 1000.0 + CONTACT_KEEPALIVE_MS - 0.5;
    EXPECT_EQ(contactMsUntilKeepAlive(contact, recorder), 1u);
    fineMs = 1000.0 + CONTACT_KEEPALIVE_MS;
    EXPECT_EQ(contactMsUntilKeepAlive(contact, recorder), 0u);
    fineMs = 1095.0;
    clockMs = 5109;
    EXPECT_EQ(contactKeepAlive(contact, recorder), CONTACT_INJECTED) << "109 ticks, but 95 ms";
    fineMs = 1205.0;
    clockMs = 5203;
    EXPECT_EQ(contactKeepAlive(contact, recorder), CONTACT_EXPIRED) << "94 ticks, but 110 ms";
    EXPECT_EQ(trace(), "down(300,400)@5000 update(300,400)@5109 cancel(300,400)@5203");
    EXPECT_EQ(contactMsUntilKeepAlive(contact, recorder), UINT32_MAX) << "no contact, nothing to keep";
}

// A touch that ends otherwise than by a lift (a calibration starting, the program stopping, the
// session locking): one cancelled up where the last frame was, and nothing twice.
TEST_F(Contact, ACancelIsOneCancelledUpAtTheLastPosition) {
    down(5000, 700, 50);
    move(5010, 720, 60, 0.5f);
    clockMs = 5010;
    EXPECT_EQ(contactCancel(contact, recorder), CONTACT_INJECTED);
    EXPECT_EQ(contactCancel(contact, recorder), CONTACT_SKIPPED);
    EXPECT_EQ(trace(), "down(700,50)@5000 update(710,55)@5010 cancel(710,55)@5011");
    EXPECT_EQ(frames.back().flags, uint32_t(FRAME_UP | FRAME_CANCELED));
}

// The system refuses a frame: the outcome says so, and a contact that was down stays down for the
// caller to cancel; a refused down leaves none.
TEST_F(Contact, RefusedFramesAreReported) {
    refuseFrom = 2;
    down(5000, 100, 100);
    move(5010, 110, 100);
    EXPECT_EQ(move(5020, 120, 100), CONTACT_REFUSED);
    EXPECT_EQ(contact.state, CONTACT_TOUCHING);
    EXPECT_EQ(contactCancel(contact, recorder), CONTACT_REFUSED);
    EXPECT_EQ(trace(), "down(100,100)@5000 update(110,100)@5010 update(120,100)@5020 cancel(110,100)@5020")
        << "the cancel is where the last accepted frame was";
    frames.clear();
    refuseFrom = 0;
    EXPECT_EQ(down(6000, 5, 5), CONTACT_REFUSED);
    EXPECT_EQ(contact.state, CONTACT_NONE);
    EXPECT_EQ(contactCancel(contact, recorder), CONTACT_SKIPPED);
    // A refused up is followed by a cancelled up where the contact was: it may still be down.
    frames.clear();
    refuseFrom = 1;
    down(7000, 40, 50);
    EXPECT_EQ(lift(7010), CONTACT_REFUSED);
    EXPECT_EQ(contact.state, CONTACT_NONE);
    EXPECT_EQ(trace(), "down(40,50)@7000 up(40,50)@7010 cancel(40,50)@7010");
}

// The board on a monitor left of the primary: positions on the virtual screen, negative, and the
// contact area held inside that monitor at its edges.
TEST_F(Contact, TheContactAreaStaysOnTheBoardsMonitor) {
    const ContactBounds left = {-1280, -100, 0, 700};
    down(5000, -1280, -100, left);
    move(5010, -1, 699);
    lift(5020);
    EXPECT_EQ(trace(), "down(-1280,-100)@5000 update(-1,699)@5010 up(-1,699)@5020");
    EXPECT_EQ(frames[0].area.left, -1280);
    EXPECT_EQ(frames[0].area.top, -100);
    EXPECT_EQ(frames[0].area.right, -1277);
    EXPECT_EQ(frames[0].area.bottom, -97);
    EXPECT_EQ(frames[1].area.left, -3);
    EXPECT_EQ(frames[1].area.top, 697);
    EXPECT_EQ(frames[1].area.right, 0);
    EXPECT_EQ(frames[1].area.bottom, 700);
}
