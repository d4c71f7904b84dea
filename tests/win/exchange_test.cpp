// exchangeReport and probeSensor over real overlapped pipe handles: byte counts, status bytes,
// time-outs, late replies, two threads on one handle, and the probe.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sensor/sensor_link.h"
#include "tests/support/flush_events.h"
#include "tools/simboard/simboard.h"

namespace {

double nowMs() {
    return simboardNowMs();
}

std::string hex(const uint8_t* bytes, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

SimReplyMode replies(bool silent, DWORD delayMs, int status = 0x0A, DWORD length = 10) {
    SimReplyMode m;
    m.silent = silent;
    m.delayMs = delayMs;
    m.statusByte = status;
    m.replyLength = length;
    return m;
}

struct Exchange : ::testing::Test {
    SimBoard* board = nullptr;
    std::vector<HANDLE> handles;

    void SetUp() override {
        SimBoardConfig config;
        config.broadcastDeviceChange = false;
        board = simboardStart(config);
        ASSERT_NE(nullptr, board) << "error " << GetLastError();
    }
    void TearDown() override {
        for (HANDLE h : handles) {
            forgetSensorHandle(h); // as the program does: a later handle may get the same value
            CloseHandle(h);
        }
        simboardStop(board);
    }
    HANDLE open() {
        // A burst of opens can outrun the board's waiting pipe instances (ERROR_PIPE_BUSY).
        HANDLE h = nullptr;
        waitFor([&] { return (h = findSensor()) != nullptr; }, 3000, 10);
        EXPECT_NE(nullptr, h);
        if (h)
            handles.push_back(h);
        return h;
    }
    // The commands the board logged since `from`, as hex.
    std::vector<std::string> commandsSince(size_t from) {
        Sleep(50);
        std::vector<std::string> out;
        std::vector<SimEvent> log = simboardLog(board);
        for (size_t i = from; i < log.size(); ++i)
            if (log[i].kind == SIM_COMMAND)
                out.push_back(hex(log[i].bytes.data(), log[i].bytes.size()));
        return out;
    }
};

// A reply buffer with guard bytes on both sides: nothing may be written outside its 10 bytes.
struct GuardedReply {
    uint8_t before[32];
    SensorReport reply;
    uint8_t after[32];
    GuardedReply() { reset(); }
    void reset() {
        memset(before, 0xCD, sizeof before);
        reply.fill(0xEE);
        memset(after, 0xCD, sizeof after);
    }
    bool guardsIntact() const {
        for (uint8_t b : before)
            if (b != 0xCD)
                return false;
        for (uint8_t b : after)
            if (b != 0xCD)
                return false;
        return true;
    }
};

SensorPoint pointOf(const SensorReport& r) {
    return decodeSensorPoint(r);
}

// ---- A pipe of the test's own, to see exact message lengths on both sides -----------------------

struct OwnPipe {
    HANDLE server = INVALID_HANDLE_VALUE;
    HANDLE client = INVALID_HANDLE_VALUE;
    std::thread thread;
    std::vector<DWORD> commandLengths;        // as received
    std::vector<std::vector<uint8_t>> script; // one reply message per command, in order

    bool start(std::vector<std::vector<uint8_t>> replies) {
        script = std::move(replies);
        char name[96];
        snprintf(name, sizeof name, "\\\\.\\pipe\\VelmoraExchangeTest-%lu", GetCurrentProcessId());
        server =
            CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                             1, 4096, 4096, 0, nullptr);
        if (server == INVALID_HANDLE_VALUE)
            return false;
        client = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (client == INVALID_HANDLE_VALUE)
            return false;
        thread = std::thread([this] {
            for (const std::vector<uint8_t>& reply : script) {
                uint8_t message[64];
                DWORD got = 0;
                if (!ReadFile(server, message, sizeof message, &got, nullptr))
                    return;
                commandLengths.push_back(got);
                DWORD written = 0;
                WriteFile(server, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
            }
        });
        return true;
    }
    ~OwnPipe() {
        if (client != INVALID_HANDLE_VALUE)
            CloseHandle(client);
        if (thread.joinable())
            thread.join();
        if (server != INVALID_HANDLE_VALUE)
            CloseHandle(server);
    }
};

} // namespace

TEST(ExchangeBytes, NineBytesOutTenBytesInAndALongReplyDoesNotLeakIntoTheNext) {
    std::vector<uint8_t> first = {0x00, 0x0A, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    std::vector<uint8_t> tooLong = {0x00, 0x0A, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A};
    std::vector<uint8_t> third = {0x00, 0x0A, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38};
    OwnPipe pipe;
    ASSERT_TRUE(pipe.start({first, tooLong, third})) << GetLastError();
    const SensorReport get = makeSensorCommand(SENSOR_GET);

    GuardedReply r;
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(pipe.client, get, r.reply));
    EXPECT_EQ(hex(first.data(), 10), hex(r.reply.data(), 10)) << "all ten bytes of the reply";
    EXPECT_TRUE(r.guardsIntact());

    r.reset();
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(pipe.client, get, r.reply));
    EXPECT_EQ(hex(tooLong.data(), 10), hex(r.reply.data(), 10)) << "the first ten bytes of a long reply";
    EXPECT_TRUE(r.guardsIntact()) << "no more than ten bytes land in the reply";

    r.reset();
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(pipe.client, get, r.reply));
    EXPECT_EQ(hex(third.data(), 10), hex(r.reply.data(), 10))
        << "the rest of the long reply is not the next reply";

    pipe.thread.join();
    ASSERT_EQ(3u, pipe.commandLengths.size());
    for (DWORD length : pipe.commandLengths)
        EXPECT_EQ(9u, length) << "a command is written as exactly 9 bytes";
}

TEST_F(Exchange, EachCommandArrivesAsItsNineBytes) {
    HANDLE h = open();
    const size_t from = simboardLogSize(board);
    SensorReport reply;
    for (SensorSubCommand c : {SENSOR_GET, SENSOR_RUN, SENSOR_STOP, SENSOR_STOP})
        EXPECT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(c), reply));
    std::vector<std::string> got = commandsSince(from);
    std::vector<std::string> want = {"00 A0 01 00 00 00 00 00 60", "00 A0 02 00 00 00 00 00 60",
                                     "00 A0 03 00 00 00 00 00 60", "00 A0 03 00 00 00 00 00 60"};
    EXPECT_EQ(want, got);
}

// A sensor whose reports are a report ID and 64 bytes each way: every command goes out as one whole
// output report (the command, then zeros; the board answers nothing else), and the reply is the first
// ten bytes of one input report. Points, lifts and the probe work as with 9 and 10 bytes.
TEST_F(Exchange, SixtyFiveByteReportsCarryTheSameCommandsAndReplies) {
    simboardStop(board);
    SimBoardConfig config;
    config.broadcastDeviceChange = false;
    config.sensors[0].inputReportLength = 65;
    config.sensors[0].outputReportLength = 65;
    board = simboardStart(config);
    ASSERT_NE(nullptr, board);
    HANDLE h = open();
    ASSERT_NE(nullptr, h);
    const size_t from = simboardLogSize(board);
    simboardFingerDown(board, 0, 321, 456, SIM_SENSOR);
    GuardedReply r;
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), r.reply));
    EXPECT_TRUE(replyCarriesAnswer(r.reply)) << hex(r.reply.data(), 10);
    EXPECT_EQ(321, pointOf(r.reply).x);
    EXPECT_EQ(456, pointOf(r.reply).y);
    EXPECT_TRUE(r.guardsIntact()) << "no more than ten bytes land in the reply";
    simboardFingerLift(board, 0);
    r.reset();
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), r.reply));
    EXPECT_EQ(0, pointOf(r.reply).x) << "lifted";
    EXPECT_TRUE(r.guardsIntact());
    SensorReport reply;
    EXPECT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_STOP), reply));
    EXPECT_EQ(1, probeSensor(h));

    Sleep(50);
    const std::vector<SimEvent> log = simboardLog(board);
    int commands = 0;
    for (size_t i = from; i < log.size(); ++i) {
        if (log[i].kind != SIM_COMMAND)
            continue;
        ++commands;
        EXPECT_EQ(log[i].bytes.size(), 65u) << hex(log[i].bytes.data(), log[i].bytes.size());
        EXPECT_NE(log[i].command, SIM_CMD_OTHER) << hex(log[i].bytes.data(), log[i].bytes.size());
    }
    EXPECT_GE(commands, 3);
    EXPECT_EQ(simboardCountCommands(board, 0, SIM_CMD_GET), 2);
}

TEST_F(Exchange, AnyStatusIsAnAnswerToTheExchange) {
    HANDLE h = open();
    simboardSetReplies(board, 0, replies(false, 0, 0x55));
    SensorReport reply;
    reply.fill(0xEE);
    EXPECT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    EXPECT_EQ(0x55, reply[1]);
    EXPECT_EQ(0, probeSensor(h)) << "the probe wants 0x0A";
}

TEST_F(Exchange, ASensorThatNeverAnswersTimesOutAfterAboutAHundredMilliseconds) {
    HANDLE h = open();
    simboardSetReplies(board, 0, replies(true, 0));
    for (int round = 0; round < 3; ++round) {
        GuardedReply r;
        const double start = nowMs();
        EXPECT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, makeSensorCommand(SENSOR_GET), r.reply));
        const double took = nowMs() - start;
        EXPECT_GE(took, 95.0) << "round " << round;
        EXPECT_LT(took, 900.0) << "round " << round << ": one pending read, one time-out";
        EXPECT_TRUE(r.guardsIntact());
    }
    const double start = nowMs();
    EXPECT_EQ(0, probeSensor(h));
    EXPECT_LT(nowMs() - start, 1500.0);
}

TEST_F(Exchange, NoHandleAClosedHandleAndAnUnpluggedSensorFail) {
    SensorReport reply;
    const SensorReport stop = makeSensorCommand(SENSOR_STOP);
    EXPECT_EQ(EXCHANGE_WRITE_FAILED, exchangeReport(nullptr, stop, reply));
    EXPECT_EQ(EXCHANGE_WRITE_FAILED, exchangeReport(INVALID_HANDLE_VALUE, stop, reply));
    EXPECT_EQ(0, probeSensor(nullptr));

    HANDLE closed = findSensor();
    ASSERT_NE(nullptr, closed);
    CloseHandle(closed);
    const double start = nowMs();
    EXPECT_EQ(EXCHANGE_WRITE_FAILED, exchangeReport(closed, stop, reply));
    EXPECT_LT(nowMs() - start, 50.0) << "fails at once, no waiting";

    HANDLE h = open();
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, stop, reply));
    simboardUnplug(board, 0);
    Sleep(50);
    EXPECT_NE(EXCHANGE_OK, exchangeReport(h, stop, reply));
    EXPECT_EQ(0, probeSensor(h));
}

TEST_F(Exchange, ALateReplyAnswersOnlyTheCommandItBelongsTo) {
    HANDLE h = open();
    SimReplyMode late = replies(false, 150);
    late.tagReplies = true;
    simboardSetReplies(board, 0, late);
    simboardFingerDown(board, 0, 100, 200, SIM_SENSOR);
    SensorReport reply = {};
    SimReplyTag tag = {};
    ASSERT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    const size_t from = simboardLogSize(board);
    // The next Get is the one still owed: its reply is this exchange's answer, and no new Get is
    // written.
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    ASSERT_TRUE(simReadReplyTag(reply.data(), reply.size(), &tag));
    EXPECT_EQ(1, tag.serial) << "the answer to the first Get";
    EXPECT_EQ(100, pointOf(reply).x);
    EXPECT_EQ(std::vector<std::string>{}, commandsSince(from));
    late.delayMs = 0;
    simboardSetReplies(board, 0, late);
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    ASSERT_TRUE(simReadReplyTag(reply.data(), reply.size(), &tag));
    EXPECT_EQ(2, tag.serial) << "the owed reply is taken once";

    // Another command while a Get is owed: the late Get reply is read and dropped first, and the
    // Stop gets its own (zeros where a Get has the point).
    simboardSetReplies(board, 0, replies(false, 150));
    ASSERT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    simboardSetReplies(board, 0, replies(false, 0));
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_STOP), reply));
    EXPECT_EQ(0, reply[3] | reply[4] | reply[5]) << "took the Get's late reply";

    // A reply owed for more than a second is given up, and a stale one waiting is dropped.
    simboardSetReplies(board, 0, replies(true, 0));
    ASSERT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    simboardSetReplies(board, 0, replies(false, 0));
    Sleep(1000);
    simboardFingerDown(board, 0, 700, 300, SIM_SENSOR);
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    EXPECT_EQ(700, pointOf(reply).x);
}

// A reply that falls due just as a read's wait runs out races the cancellation of that read; a
// completion that wins is the reply, not a timeout. Taken for one, the reply would be lost and
// the command owed for a whole second, as long as a touch on a late sensor is allowed to go
// without an answer.
TEST_F(Exchange, AReplyThatComesAsTheWaitRunsOutIsNotLost) {
    HANDLE h = open();
    SimReplyMode late = replies(false, 0);
    late.tagReplies = true;
    int serial = 0;
    for (int round = 0; round < 30; ++round) {
        late.delayMs = 98 + round % 5; // about when the first wait ends
        simboardSetReplies(board, 0, late);
        serial++;
        const DWORD start = GetTickCount();
        SensorReport reply = {};
        int result = EXCHANGE_TIMEOUT;
        for (int attempt = 0; attempt < 20 && result != EXCHANGE_OK; ++attempt)
            result = exchangeReport(h, makeSensorCommand(SENSOR_GET), reply);
        ASSERT_EQ(EXCHANGE_OK, result);
        SimReplyTag tag = {};
        ASSERT_TRUE(simReadReplyTag(reply.data(), reply.size(), &tag));
        EXPECT_EQ(serial, tag.serial) << "round " << round << ": the answer to a later Get";
        EXPECT_LT(GetTickCount() - start, 600u) << "round " << round << ": the reply was lost";
        serial = tag.serial;
    }
}

TEST_F(Exchange, LateRepliesAcrossHandlesCorruptNothing) {
    // Each reply arrives 20 ms after its exchange gave up, on four handles of one sensor taking
    // turns. Every exchange either times out and leaves the caller's buffer alone, or answers with
    // the finger's point; nothing may be written outside a reply buffer, and afterwards each
    // handle reads its own fresh answer.
    constexpr int CONNECTIONS = 4, ROUNDS = 15;
    simboardFingerDown(board, 0, 100, 200, SIM_SENSOR);
    simboardSetReplies(board, 0, replies(false, 120));
    std::vector<HANDLE> hs;
    for (int i = 0; i < CONNECTIONS; ++i)
        hs.push_back(open());
    std::atomic<int> timeouts{0}, answers{0}, others{0}, smashed{0};
    std::vector<std::thread> threads;
    for (HANDLE h : hs)
        threads.emplace_back([&, h] {
            GuardedReply r;
            for (int round = 0; round < ROUNDS; ++round) {
                r.reset();
                const int result = exchangeReport(h, makeSensorCommand(SENSOR_GET), r.reply);
                if (result == EXCHANGE_TIMEOUT && r.reply[0] == 0xEE)
                    timeouts++;
                else if (result == EXCHANGE_OK && pointOf(r.reply).x == 100 && pointOf(r.reply).y == 200)
                    answers++;
                else
                    others++;
                if (!r.guardsIntact())
                    smashed++;
                Sleep(60); // the late reply lands in the meantime
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(CONNECTIONS * ROUNDS, timeouts.load() + answers.load()) << answers.load() << " answered";
    EXPECT_EQ(0, others.load());
    EXPECT_EQ(0, smashed.load());
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));

    Sleep(200);
    simboardSetReplies(board, 0, replies(false, 0));
    simboardFingerDown(board, 0, 321, 456, SIM_SENSOR);
    Sleep(1000); // every debt given up
    for (HANDLE h : hs) {
        SensorReport reply = {};
        ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
        EXPECT_EQ(REPORT_DATA, reply[1]);
        EXPECT_EQ(321, pointOf(reply).x);
        EXPECT_EQ(456, pointOf(reply).y);
    }
}

TEST_F(Exchange, BackToBackLateRepliesThenANormalExchange) {
    // Without pauses, later exchanges may catch earlier late replies; none may crash or corrupt,
    // and once the sensor answers at once again the answer is the right one.
    HANDLE h = open();
    simboardFingerDown(board, 0, 100, 200, SIM_SENSOR);
    simboardSetReplies(board, 0, replies(false, 130));
    GuardedReply r;
    for (int round = 0; round < 20; ++round) {
        exchangeReport(h, makeSensorCommand(SENSOR_GET), r.reply);
        ASSERT_TRUE(r.guardsIntact()) << "round " << round;
    }
    Sleep(300);
    simboardSetReplies(board, 0, replies(false, 0));
    simboardFingerDown(board, 0, 700, 300, SIM_SENSOR);
    SensorReport reply = {};
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    EXPECT_EQ(700, pointOf(reply).x);
    EXPECT_EQ(300, pointOf(reply).y);
}

TEST_F(Exchange, TwoThreadsOnOneHandleEachGetTheirOwnReplies) {
    // The reader thread's Get and the GUI thread's Stop, Run and probe on the same handle. A Get's
    // reply carries the finger's point; the others' carry zeros. Any crossing shows.
    constexpr int ROUNDS = 2000;
    HANDLE h = open();
    simboardFingerDown(board, 0, 300, 400, SIM_SENSOR);
    std::atomic<int> crossed{0}, failed{0}, probesLost{0};
    std::thread reader([&] {
        const SensorReport get = makeSensorCommand(SENSOR_GET);
        for (int i = 0; i < ROUNDS; ++i) {
            SensorReport reply = {};
            if (exchangeReport(h, get, reply) != EXCHANGE_OK)
                failed++;
            else if (pointOf(reply).x != 300 || pointOf(reply).y != 400)
                crossed++;
        }
    });
    std::thread gui([&] {
        for (int i = 0; i < ROUNDS; ++i) {
            if (i % 10 == 0) {
                if (probeSensor(h) != 1)
                    probesLost++;
                continue;
            }
            SensorReport reply = {};
            const SensorReport command = makeSensorCommand(i % 2 ? SENSOR_STOP : SENSOR_RUN);
            if (exchangeReport(h, command, reply) != EXCHANGE_OK)
                failed++;
            else if (reply[3] != 0 || reply[4] != 0 || reply[5] != 0)
                crossed++;
        }
    });
    reader.join();
    gui.join();
    EXPECT_EQ(0, crossed.load());
    EXPECT_EQ(0, failed.load());
    EXPECT_EQ(0, probesLost.load());
}

TEST_F(Exchange, TwoHandlesOfAFanOutSensorEachGetTheirOwnReplies) {
    // As a HID class driver does, the board puts every reply in both handles' pipes, 1 ms after
    // the command. The reader's 2000 Gets on one handle; meanwhile the GUI's Stop on the other
    // handle, and its probe and Run on the reader's handle. Each reply is tagged by the board with
    // the command, the connection and the command's number there: a reply that answers anything
    // but the exchange's own command is counted.
    SimReplyMode fanOut = replies(false, 1);
    fanOut.fanOut = true;
    fanOut.tagReplies = true;
    simboardSetReplies(board, 0, fanOut);
    HANDLE command = open(), reader = open();
    // What one thread has seen on one handle: its connection, and the number of its last command
    // there (a stale reply carries an older one).
    struct Side {
        HANDLE h;
        int connection;
        int lastSerial = 0;
    };
    std::atomic<int> crossed{0}, failed{0}, rounds{0};
    auto exchange = [&](Side& side, SensorSubCommand sub, int wanted) {
        SensorReport reply = {};
        if (exchangeReport(side.h, makeSensorCommand(sub), reply) != EXCHANGE_OK) {
            failed++;
            return;
        }
        SimReplyTag tag;
        if (!simReadReplyTag(reply.data(), reply.size(), &tag) || tag.command != wanted ||
            (side.connection >= 0 && tag.connection != side.connection) || tag.serial <= side.lastSerial) {
            crossed++;
            return;
        }
        side.connection = tag.connection;
        side.lastSerial = tag.serial;
    };
    Side learnCommand{command, -1}, learnReader{reader, -1};
    exchange(learnCommand, SENSOR_RUN, SIM_CMD_RUN);
    exchange(learnReader, SENSOR_RUN, SIM_CMD_RUN);
    ASSERT_EQ(0, crossed.load() + failed.load());
    ASSERT_NE(learnCommand.connection, learnReader.connection);
    std::thread readerThread([&] {
        Side side{reader, learnReader.connection, learnReader.lastSerial};
        for (int i = 0; i < 2000; ++i, rounds++)
            exchange(side, SENSOR_GET, SIM_CMD_GET);
    });
    std::thread gui([&] {
        Side stopSide{command, learnCommand.connection, learnCommand.lastSerial};
        Side runSide{reader, learnReader.connection, learnReader.lastSerial};
        for (int i = 0; rounds < 2000; ++i) {
            if (i % 3 == 0)
                exchange(stopSide, SENSOR_STOP, SIM_CMD_STOP);
            else if (i % 3 == 1 && probeSensor(reader) != 1)
                failed++;
            else if (i % 3 == 2)
                exchange(runSide, SENSOR_RUN, SIM_CMD_RUN);
            Sleep(2);
        }
    });
    readerThread.join();
    gui.join();
    EXPECT_EQ(0, crossed.load()) << "rounds that took another command's reply";
    EXPECT_EQ(0, failed.load());
}

TEST_F(Exchange, TheProbeIsWrittenTwiceAndWantsStatus0A) {
    HANDLE h = open();
    size_t from = simboardLogSize(board);
    EXPECT_EQ(1, probeSensor(h));
    std::vector<std::string> want = {"00 A0 00 00 00 00 00 00 00", "00 A0 00 00 00 00 00 00 00"};
    EXPECT_EQ(want, commandsSince(from));

    // The reply to the first writing is read and dropped: the next exchange gets its own answer.
    simboardFingerDown(board, 0, 50, 60, SIM_SENSOR);
    SensorReport reply = {};
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, makeSensorCommand(SENSOR_GET), reply));
    EXPECT_EQ(50, pointOf(reply).x);

    // Each on a handle that has had no answer yet, so that the probe's own reply decides.
    simboardSetReplies(board, 0, replies(false, 0, 0x0B));
    EXPECT_EQ(0, probeSensor(open())) << "another status";
    simboardSetReplies(board, 0, replies(false, 0, 0x0A, 1));
    EXPECT_EQ(0, probeSensor(open())) << "a reply too short to carry the status";
    simboardSetReplies(board, 0, replies(true, 0));
    EXPECT_EQ(0, probeSensor(open())) << "no answer";
    simboardSetReplies(board, 0, replies(false, 0));
    Sleep(1000); // the silent probe's replies are given up
    EXPECT_EQ(1, probeSensor(open())) << "answers again";
}

// A sensor that answers every command 500 ms late is present. The probe on a handle without an
// answer waits for its own reply (both writings answered within one delay); on a handle that has
// had an answer within the link's grace it says so at once and writes nothing, so a Get owed on
// that handle still gets its reply; a sensor silent for longer than the grace is gone within about
// the grace; an unplugged one is gone however recent its last answer.
TEST_F(Exchange, ALateSensorIsPresentAndTheProbeWaitsNoLongerThanTheGrace) {
    HANDLE h = open();
    simboardSetReplies(board, 0, replies(false, 500));
    size_t from = simboardLogSize(board);
    double start = nowMs();
    EXPECT_EQ(1, probeSensor(h)) << "a sensor 500 ms late";
    double took = nowMs() - start;
    EXPECT_GE(took, 450.0);
    EXPECT_LT(took, 950.0) << "both writings waited for within one delay";
    EXPECT_EQ(2u, commandsSince(from).size());

    const SensorReport get = makeSensorCommand(SENSOR_GET);
    SensorReport reply = {};
    simboardFingerDown(board, 0, 222, 333, SIM_SENSOR);
    ASSERT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, get, reply)) << "the reader's Get, answered late";
    from = simboardLogSize(board);
    start = nowMs();
    EXPECT_EQ(1, probeSensor(h));
    EXPECT_LT(nowMs() - start, 60.0) << "the probe waited although the handle answered just now";
    EXPECT_EQ(std::vector<std::string>{}, commandsSince(from)) << "written between a Get and its reply";
    int result = EXCHANGE_TIMEOUT;
    for (int attempt = 0; attempt < 10 && result == EXCHANGE_TIMEOUT; ++attempt)
        result = exchangeReport(h, get, reply);
    ASSERT_EQ(EXCHANGE_OK, result);
    EXPECT_EQ(222, pointOf(reply).x) << "the owed Get's reply did not reach its exchange";

    simboardSetReplies(board, 0, replies(true, 0));
    Sleep(1100);
    start = nowMs();
    EXPECT_EQ(0, probeSensor(h)) << "silent for longer than the grace";
    took = nowMs() - start;
    EXPECT_GE(took, 800.0);
    EXPECT_LT(took, 1500.0) << "the probe held its caller past the grace";

    simboardSetReplies(board, 0, replies(false, 0));
    Sleep(1000);
    HANDLE g = open();
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(g, get, reply));
    simboardUnplug(board, 0);
    EXPECT_EQ(0, probeSensor(g)) << "unplugged just after an answer";
}

// One report the exchange could not account for (a report the sensor sends by itself, the reply to
// another program's command, which the driver gives every open handle) costs at most the exchange
// whose read it lands in: every exchange after it gets its own reply. Landing on an idle handle,
// it costs none.
TEST_F(Exchange, AStrayReportCostsAtMostTheExchangeItLandsIn) {
    HANDLE h = open();
    SimReplyMode tagged = replies(false, 0);
    tagged.tagReplies = true;
    simboardSetReplies(board, 0, tagged);
    const SensorReport get = makeSensorCommand(SENSOR_GET);
    SensorReport reply = {};
    SimReplyTag tag = {};
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, get, reply));
    ASSERT_TRUE(simReadReplyTag(reply.data(), reply.size(), &tag));
    int serial = tag.serial;
    auto expectInStep = [&](const char* after) {
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, get, reply)) << after;
            ASSERT_TRUE(simReadReplyTag(reply.data(), reply.size(), &tag));
            EXPECT_EQ(SIM_CMD_GET, tag.command)
                << after << ", exchange " << i << ": " << hex(reply.data(), 10);
            EXPECT_EQ(++serial, tag.serial)
                << after << ", exchange " << i << ": the reply of another command";
        }
    };

    const uint8_t unsolicited[10] = {0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    simboardSendReport(board, 0, unsolicited, sizeof unsolicited);
    Sleep(30);
    expectInStep("a report the sensor sent by itself");

    // Another program's Get, through its own connection: with the driver's fan-out its reply also
    // lands in this handle.
    tagged.fanOut = true;
    simboardSetReplies(board, 0, tagged);
    HANDLE other = CreateFileA(simboardPipePath(board, 0).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other) << GetLastError();
    DWORD moved = 0;
    ASSERT_TRUE(WriteFile(other, get.data(), SENSOR_COMMAND_BYTES, &moved, nullptr)) << GetLastError();
    uint8_t otherReply[10] = {};
    ASSERT_TRUE(ReadFile(other, otherReply, sizeof otherReply, &moved, nullptr)) << GetLastError();
    CloseHandle(other);
    Sleep(30);
    expectInStep("another program's Get");
}

// A driver that never completes a cancelled transfer: the records of that transfer stay allocated
// (it may still complete into them), and the handle is not used again, so that every round does
// not leave another record and event behind. The sensor itself is fine: a new handle works.
TEST_F(Exchange, AHandleWhoseCancellationNeverLandsIsNotUsedAgain) {
    simboardStop(board);
    SimBoardConfig config;
    config.broadcastDeviceChange = false;
    config.sensors[0].cancelIgnored = true;
    board = simboardStart(config);
    ASSERT_NE(nullptr, board) << "error " << GetLastError();
    HANDLE h = open();
    const SensorReport get = makeSensorCommand(SENSOR_GET);
    SensorReport reply = {};
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(h, get, reply));

    simboardSetReplies(board, 0, replies(true, 0)); // the Get's read stays pending; its cancel hangs
    double start = nowMs();
    EXPECT_EQ(EXCHANGE_TIMEOUT, exchangeReport(h, get, reply));
    EXPECT_GE(nowMs() - start, 1000.0) << "the cancellation was not waited for";
    simboardSetReplies(board, 0, replies(false, 0));
    const size_t from = simboardLogSize(board);
    start = nowMs();
    for (int round = 0; round < 20; ++round)
        EXPECT_EQ(EXCHANGE_WRITE_FAILED, exchangeReport(h, get, reply)) << "round " << round;
    EXPECT_EQ(0, probeSensor(h));
    EXPECT_LT(nowMs() - start, 300.0) << "20 exchanges and a probe on a retired handle";
    EXPECT_EQ(std::vector<std::string>{}, commandsSince(from)) << "written to a retired handle";

    HANDLE g = open();
    simboardFingerDown(board, 0, 400, 500, SIM_SENSOR);
    ASSERT_EQ(EXCHANGE_OK, exchangeReport(g, get, reply));
    EXPECT_EQ(400, pointOf(reply).x);
}
