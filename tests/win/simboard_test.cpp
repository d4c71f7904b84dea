// The simulated board, from a client's side: the pipe protocol, the device list through the
// simulated device seam across unplug and replug, the refusing sensor, fault timing and the log.
#include <gtest/gtest.h>

#include <array>

#include <windows.h>
#include <dbt.h>

#include <cmath>
#include <cstring>

#include "sensor/device_seam.h"
#include "tests/support/flush_events.h"
#include "tests/support/hidden_window.h"
#include "tools/simboard/simboard.h"

namespace {

const uint8_t GET[9] = {0x00, 0xA0, 0x01, 0, 0, 0, 0, 0, 0x60};
const uint8_t RUN[9] = {0x00, 0xA0, 0x02, 0, 0, 0, 0, 0, 0x60};
const uint8_t STOP[9] = {0x00, 0xA0, 0x03, 0, 0, 0, 0, 0, 0x60};
const uint8_t PROBE[9] = {0x00, 0xA0, 0x00, 0, 0, 0, 0, 0, 0x00};

HANDLE openSensor(const SimBoard* board, int sensor, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return CreateFileA(simboardPipePath(board, sensor).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

// One overlapped transfer with a time-out; on time-out it is cancelled and awaited. Returns the
// bytes moved, or -1 (failed at once or in flight), or -2 (time-out).
int transfer(HANDLE h, bool write, void* buffer, DWORD length, DWORD timeoutMs) {
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL ok = write ? WriteFile(h, buffer, length, nullptr, &ov) : ReadFile(h, buffer, length, nullptr, &ov);
    int result = -1;
    if (ok || GetLastError() == ERROR_IO_PENDING) {
        DWORD moved = 0;
        if (WaitForSingleObject(ov.hEvent, timeoutMs) == WAIT_OBJECT_0) {
            result = GetOverlappedResult(h, &ov, &moved, FALSE) ? int(moved) : -1;
        } else {
            CancelIoEx(h, &ov);
            GetOverlappedResult(h, &ov, &moved, TRUE);
            result = -2;
        }
    }
    CloseHandle(ov.hEvent);
    return result;
}

// Writes a command and reads one reply; returns the reply's length or a transfer() failure.
int exchange(HANDLE h, const uint8_t* command, uint8_t* reply, DWORD timeoutMs = 500) {
    uint8_t out[9];
    memcpy(out, command, 9);
    int w = transfer(h, true, out, 9, timeoutMs);
    if (w != 9)
        return w < 0 ? w : -1;
    memset(reply, 0xEE, 10);
    return transfer(h, false, reply, 10, timeoutMs);
}

void decode(const uint8_t* r, int* x, int* y) {
    *x = r[3] + 256 * ((r[5] >> 4) & 3);
    *y = r[4] + 256 * ((r[5] >> 6) & 3);
}

// Sends Get and decodes the point of its reply (kept in `r`); fails unless the reply has 10 bytes.
::testing::AssertionResult getPoint(HANDLE h, uint8_t* r, int* x, int* y) {
    const int length = exchange(h, GET, r);
    if (length != 10)
        return ::testing::AssertionFailure() << "Get replied " << length << " bytes, not 10";
    decode(r, x, y);
    return ::testing::AssertionSuccess();
}

struct BoardFixture : ::testing::Test {
    SimBoard* board = nullptr;
    void start(const SimBoardConfig& config = SimBoardConfig{}) {
        board = simboardStart(config);
        ASSERT_NE(board, nullptr) << "error " << GetLastError();
    }
    void TearDown() override { simboardStop(board); }
};

// The paths the seam lists now, in enumeration order (with the platform's structure sizes).
std::vector<std::string> listedPaths() {
    std::vector<std::string> paths;
    GUID guid;
    deviceSeam.getHidGuid(&guid);
    HDEVINFO set = deviceSeam.getClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return paths;
    for (DWORD i = 0;; ++i) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, i, &data))
            break;
        DWORD size = 0;
        deviceSeam.getDeviceInterfaceDetail(set, &data, nullptr, 0, &size, nullptr);
        std::vector<char> buffer(size);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (deviceSeam.getDeviceInterfaceDetail(set, &data, detail, size, nullptr, nullptr))
            paths.push_back(detail->DevicePath);
    }
    deviceSeam.destroyDeviceInfoList(set);
    return paths;
}

bool attributesOf(const std::string& path, HIDD_ATTRIBUTES* attributes) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    bool ok = deviceSeam.getAttributes(h, attributes);
    CloseHandle(h);
    return ok;
}

} // namespace

// Every command gets one 10-byte reply: Get the finger's point (0, 0 while lifted), the probe,
// Run and Stop 0x0A; each is logged with its bytes, sensor and connection.
TEST_F(BoardFixture, AnswersEachCommandAndLogsIt) {
    start();
    HANDLE h = openSensor(board, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    uint8_t r[10];
    ASSERT_EQ(exchange(h, STOP, r), 10);
    EXPECT_EQ(r[1], 0x0A);
    int x, y;
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(r[1], 0x0A);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    simboardFingerDown(board, 0, 700, 600, SIM_SENSOR); // both coordinates need their high bits
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(x, 700);
    EXPECT_EQ(y, 600);
    simboardFingerLift(board, 0);
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(x + y, 0) << x << "," << y;
    ASSERT_EQ(exchange(h, PROBE, r), 10);
    EXPECT_EQ(r[1], 0x0A);
    ASSERT_EQ(exchange(h, RUN, r), 10);

    HANDLE second = openSensor(board, 0);
    ASSERT_EQ(exchange(second, STOP, r), 10);
    CloseHandle(second);
    CloseHandle(h);

    std::vector<SimEvent> commands = simboardCommands(board);
    ASSERT_EQ(commands.size(), 7u);
    const int expected[] = {SIM_CMD_STOP,  SIM_CMD_GET, SIM_CMD_GET, SIM_CMD_GET,
                            SIM_CMD_PROBE, SIM_CMD_RUN, SIM_CMD_STOP};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(commands[i].command, expected[i]) << i;
        EXPECT_EQ(commands[i].sensor, 0);
        EXPECT_EQ(commands[i].bytes.size(), 9u);
        if (i > 0) {
            EXPECT_GE(commands[i].timeMs, commands[i - 1].timeMs);
        }
    }
    EXPECT_EQ(memcmp(commands[0].bytes.data(), STOP, 9), 0);
    EXPECT_EQ(commands[0].connection, commands[5].connection);
    EXPECT_NE(commands[6].connection, commands[0].connection) << "each open is its own connection";
    EXPECT_EQ(simboardCountCommands(board, 0, SIM_CMD_GET), 3);
    EXPECT_EQ(simboardCountCommands(board, -1, SIM_CMD_OTHER), 7);
}

// Screen pixels reach the sensor through the board's geometry, rounded to whole units; the
// inverse mapping takes them back; points off the sensor are not seen.
TEST_F(BoardFixture, GeometryMapsScreenToSensorUnits) {
    SimBoardConfig config;
    config.geometry = SimGeometry{};
    config.geometry.screenWidth = 1024;
    config.geometry.screenHeight = 768;
    config.geometry.scaleX = 0.8;
    config.geometry.scaleY = 0.7;
    config.geometry.offsetX = 20;
    config.geometry.offsetY = -15;
    config.geometry.rotationDeg = 3;
    config.geometry.keystoneX = 0.05;
    config.geometry.keystoneY = -0.08;
    start(config);
    const SimMapping& m = simboardMapping(board);

    double sx, sy, bx, by;
    simScreenToSensor(m, 512, 384, &sx, &sy); // the screen centre sits on the sensor centre + offset
    EXPECT_NEAR(sx, 532, 1e-9);
    EXPECT_NEAR(sy, 369, 1e-9);
    const double points[][2] = {{0, 0}, {1023, 0}, {0, 767}, {1023, 767}, {100.5, 650.25}};
    for (const auto& p : points) {
        simScreenToSensor(m, p[0], p[1], &sx, &sy);
        simSensorToScreen(m, sx, sy, &bx, &by);
        EXPECT_NEAR(bx, p[0], 1e-6);
        EXPECT_NEAR(by, p[1], 1e-6);
    }
    // Keystone: with keystoneY < 0 the top edge is narrower on the sensor than the bottom one.
    double lx, ly, rx, ry, lx2, ly2, rx2, ry2;
    simScreenToSensor(m, 0, 0, &lx, &ly);
    simScreenToSensor(m, 1023, 0, &rx, &ry);
    simScreenToSensor(m, 0, 767, &lx2, &ly2);
    simScreenToSensor(m, 1023, 767, &rx2, &ry2);
    EXPECT_LT(std::hypot(rx - lx, ry - ly), std::hypot(rx2 - lx2, ry2 - ly2) - 40);

    HANDLE h = openSensor(board, 0);
    uint8_t r[10];
    simboardFingerDown(board, 0, 100.5, 650.25);
    int x, y;
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    simScreenToSensor(m, 100.5, 650.25, &sx, &sy);
    EXPECT_EQ(x, int(std::lround(sx)));
    EXPECT_EQ(y, int(std::lround(sy)));

    simboardFingerDown(board, 0, 1100, 384, SIM_SENSOR); // off the sensor
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(x + y, 0);
    CloseHandle(h);
}

// The default board keeps every pixel of the screen inside the units 1..1023 and 1..767 (a 0 on
// either axis is no touch to the program), at both screen sizes.
TEST(BoardGeometry, TheDefaultKeepsTheWholeScreenOnTheSensor) {
    const std::array<int, 2> sizes[] = {{1024, 768}, {1920, 1080}};
    for (const std::array<int, 2>& size : sizes) {
        SimGeometry g;
        g.screenWidth = size[0];
        g.screenHeight = size[1];
        const SimMapping m = simMappingFrom(g);
        const double corners[][2] = {
            {0, 0}, {size[0] - 1.0, 0}, {0, size[1] - 1.0}, {size[0] - 1.0, size[1] - 1.0}};
        for (const auto& c : corners) {
            double sx, sy;
            simScreenToSensor(m, c[0], c[1], &sx, &sy);
            EXPECT_GE(std::lround(sx), 1) << size[0] << ": pixel " << c[0] << "," << c[1];
            EXPECT_LE(std::lround(sx), 1023) << size[0] << ": pixel " << c[0] << "," << c[1];
            EXPECT_GE(std::lround(sy), 1) << size[0] << ": pixel " << c[0] << "," << c[1];
            EXPECT_LE(std::lround(sy), 767) << size[0] << ": pixel " << c[0] << "," << c[1];
        }
    }
}

// The seam lists the board's sensors in order with their identifiers; unplug takes a sensor off
// the list, ends its connections and refuses new opens; replug restores it; both reach the
// windows as WM_DEVICECHANGE.
static int deviceChanges = 0;
static LRESULT CALLBACK changeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE && wParam == DBT_DEVNODES_CHANGED)
        ++deviceChanges;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(BoardFixture, DeviceListFollowsUnplugAndReplug) {
    SimBoardConfig config;
    config.sensors = {SimSensorConfig{0x0925, 0x0301, false}, SimSensorConfig{}};
    start(config);
    HWND listener = createHiddenWindow("simboard_test_listener", changeProc);
    deviceChanges = 0;

    std::vector<std::string> paths = listedPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], simboardPipePath(board, 0));
    EXPECT_EQ(paths[1], simboardPipePath(board, 1));
    HIDD_ATTRIBUTES a{};
    ASSERT_TRUE(attributesOf(paths[0], &a));
    EXPECT_EQ(a.VendorID, 0x0925);
    EXPECT_EQ(a.ProductID, 0x0301);
    ASSERT_TRUE(attributesOf(paths[1], &a));
    EXPECT_EQ(a.ProductID, 0x0300);

    HANDLE h = openSensor(board, 1);
    uint8_t r[10];
    ASSERT_EQ(exchange(h, GET, r), 10);
    simboardUnplug(board, 1);
    EXPECT_FALSE(simboardPlugged(board, 1));
    EXPECT_EQ(exchange(h, GET, r), -1) << "the open connection fails";
    CloseHandle(h);
    HANDLE refused = openSensor(board, 1);
    EXPECT_EQ(refused, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    paths = listedPaths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], simboardPipePath(board, 0));
    flushEvents(100);
    EXPECT_EQ(deviceChanges, 1);

    simboardReplug(board, 1);
    paths = listedPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[1], simboardPipePath(board, 1));
    h = openSensor(board, 1);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(exchange(h, PROBE, r), 10);
    EXPECT_EQ(r[1], 0x0A);
    CloseHandle(h);
    flushEvents(100);
    EXPECT_EQ(deviceChanges, 2);
    destroyHiddenWindow(listener);
}

// A sensor with 65-byte reports: the seam gives its capabilities (also on a query handle), a command
// must come as one whole output report (the command, then zeros) to be answered, and every reply is
// one whole input report.
TEST_F(BoardFixture, ReportLengthsShapeCommandsAndReplies) {
    SimBoardConfig config;
    SimSensorConfig wide;
    wide.inputReportLength = 65;
    wide.outputReportLength = 65;
    config.sensors = {wide, SimSensorConfig{}};
    start(config);
    EXPECT_NE(simboardPipePath(board, 0).find("#VID_0925&PID_0300"), std::string::npos)
        << "the path carries the identifiers: " << simboardPipePath(board, 0);

    for (int i = 0; i < 2; ++i) {
        HANDLE query = openSensor(board, i, 0);
        ASSERT_NE(query, INVALID_HANDLE_VALUE);
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        ASSERT_TRUE(deviceSeam.getPreparsedData(query, &preparsed)) << "sensor " << i;
        HIDP_CAPS caps{};
        EXPECT_EQ(deviceSeam.getCaps(preparsed, &caps), HIDP_STATUS_SUCCESS);
        EXPECT_EQ(caps.InputReportByteLength, i == 0 ? 65 : 10) << "sensor " << i;
        EXPECT_EQ(caps.OutputReportByteLength, i == 0 ? 65 : 9) << "sensor " << i;
        EXPECT_TRUE(deviceSeam.freePreparsedData(preparsed));
        CloseHandle(query);
    }
    PHIDP_PREPARSED_DATA none = nullptr;
    EXPECT_FALSE(deviceSeam.getPreparsedData(GetCurrentProcess(), &none)) << "not a collection";
    HIDP_CAPS caps{};
    EXPECT_NE(deviceSeam.getCaps(nullptr, &caps), HIDP_STATUS_SUCCESS);

    HANDLE h = openSensor(board, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    simboardFingerDown(board, 0, 700, 600, SIM_SENSOR);
    uint8_t out[65] = {}, in[80];
    memcpy(out, GET, 9);
    EXPECT_EQ(transfer(h, true, out, 9, 500), 9);
    EXPECT_EQ(transfer(h, false, in, sizeof in, 150), -2) << "nine bytes are no report of this sensor";
    out[40] = 1; // a whole report, but not one of the commands: answered as any unknown command
    EXPECT_EQ(transfer(h, true, out, 65, 500), 65);
    ASSERT_EQ(transfer(h, false, in, sizeof in, 500), 65);
    int x = -1, y = -1;
    decode(in, &x, &y);
    EXPECT_EQ(x + y, 0) << "no point for an unknown command";
    out[40] = 0;
    EXPECT_EQ(transfer(h, true, out, 65, 500), 65);
    memset(in, 0xEE, sizeof in);
    ASSERT_EQ(transfer(h, false, in, sizeof in, 500), 65) << "one input report";
    EXPECT_EQ(in[1], 0x0A);
    decode(in, &x, &y);
    EXPECT_EQ(x, 700);
    EXPECT_EQ(y, 600);
    for (int i = 10; i < 65; ++i)
        EXPECT_EQ(in[i], 0) << "byte " << i;
    CloseHandle(h);

    const std::vector<SimEvent> commands = simboardCommands(board);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].command, SIM_CMD_OTHER);
    EXPECT_EQ(commands[1].command, SIM_CMD_OTHER);
    EXPECT_EQ(commands[2].command, SIM_CMD_GET);
    EXPECT_EQ(commands[2].bytes.size(), 65u);
}

// The seam checks structure sizes as SetupAPI and HID do and follows the two-call size protocol.
TEST_F(BoardFixture, SeamChecksStructureSizes) {
    start();
    GUID guid;
    deviceSeam.getHidGuid(&guid);
    HDEVINFO set = deviceSeam.getClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data + 4;
    EXPECT_FALSE(deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
    data.cbSize = sizeof data;
    ASSERT_TRUE(deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_FALSE(deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, 1, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
    data.cbSize = sizeof data;
    ASSERT_TRUE(deviceSeam.enumDeviceInterfaces(set, nullptr, &guid, 0, &data));

    DWORD size = 0;
    EXPECT_FALSE(deviceSeam.getDeviceInterfaceDetail(set, &data, nullptr, 0, &size, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    std::string path = simboardPipePath(board, 0);
    EXPECT_EQ(size, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    std::vector<char> buffer(size);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
    detail->cbSize = size; // the whole size is wrong: it must be the fixed part's
    EXPECT_FALSE(deviceSeam.getDeviceInterfaceDetail(set, &data, detail, size, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    EXPECT_FALSE(deviceSeam.getDeviceInterfaceDetail(set, &data, detail, size - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(deviceSeam.getDeviceInterfaceDetail(set, &data, detail, size, nullptr, nullptr));
    EXPECT_STREQ(detail->DevicePath, path.c_str());
    EXPECT_TRUE(deviceSeam.destroyDeviceInfoList(set));

    HANDLE h = openSensor(board, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HIDD_ATTRIBUTES a{};
    a.Size = 28;
    EXPECT_FALSE(deviceSeam.getAttributes(h, &a));
    a.Size = sizeof a;
    EXPECT_TRUE(deviceSeam.getAttributes(h, &a));
    CloseHandle(h);
    EXPECT_FALSE(deviceSeam.getAttributes(GetCurrentProcess(), &a)) << "not a sensor";
}

// A refusing sensor lets the attribute query open (access 0) through and denies read/write.
TEST_F(BoardFixture, RefusingSensorDeniesOnlyTheReadWriteOpen) {
    SimBoardConfig config;
    config.sensors = {SimSensorConfig{0x0925, 0x0300, true}, SimSensorConfig{}};
    start(config);
    HIDD_ATTRIBUTES a{};
    ASSERT_TRUE(attributesOf(simboardPipePath(board, 0), &a));
    EXPECT_EQ(a.ProductID, 0x0300);
    HANDLE h = openSensor(board, 0);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    h = openSensor(board, 1);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the other sensor opens";
    CloseHandle(h);
}

// Late, silent and malformed replies; and the seam's flush drops a late reply so the next
// exchange reads its own.
TEST_F(BoardFixture, FaultsShapeTheReplies) {
    start();
    HANDLE h = openSensor(board, 0);
    uint8_t r[10];
    SimReplyMode late;
    late.delayMs = 250;
    simboardSetReplies(board, 0, late);
    double t0 = simboardNowMs();
    EXPECT_EQ(exchange(h, PROBE, r, 100), -2) << "nothing within 100 ms";
    EXPECT_EQ(transfer(h, false, r, 10, 1000), 10) << "the reply comes later";
    double took = simboardNowMs() - t0;
    EXPECT_GE(took, 240);
    EXPECT_LT(took, 600);

    simboardSetReplies(board, 0, SimReplyMode{});
    late.delayMs = 150;
    simboardSetReplies(board, 0, late);
    EXPECT_EQ(exchange(h, PROBE, r, 100), -2);
    simboardSetReplies(board, 0, SimReplyMode{});
    Sleep(120); // the late reply is waiting now
    EXPECT_TRUE(deviceSeam.flushQueue(h));
    simboardFingerDown(board, 0, 300, 200, SIM_SENSOR);
    int x, y;
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(x, 300) << "the stale reply was dropped";
    EXPECT_EQ(y, 200);

    SimReplyMode silent;
    silent.silent = true;
    simboardSetReplies(board, 0, silent);
    size_t before = simboardCommands(board).size();
    EXPECT_EQ(exchange(h, GET, r, 300), -2);
    EXPECT_EQ(simboardCommands(board).size(), before + 1) << "read and logged, not answered";

    SimReplyMode bad;
    bad.statusByte = 0x55;
    bad.replyLength = 5;
    simboardSetReplies(board, 0, bad);
    EXPECT_EQ(exchange(h, PROBE, r), 5);
    EXPECT_EQ(r[1], 0x55);
    CloseHandle(h);
}

// A tap holds the finger down for its time: a client polling every 10 ms sees it down for about
// 80 ms, and the tap returns only after the lift.
TEST_F(BoardFixture, TapLastsItsTime) {
    start();
    HANDLE h = openSensor(board, 0);
    SimPath path;
    path.units = SIM_SENSOR;
    simLift(simHold(simDown(path, 400, 300), 80));
    double t0 = simboardNowMs();
    simboardPlay(board, 0, path);
    double firstDown = -1, lastDown = -1;
    while (simboardNowMs() - t0 < 250) {
        uint8_t r[10];
        if (exchange(h, GET, r) == 10) {
            int x, y;
            decode(r, &x, &y);
            if (x == 400 && y == 300) {
                if (firstDown < 0)
                    firstDown = simboardNowMs() - t0;
                lastDown = simboardNowMs() - t0;
            }
        }
        Sleep(10);
    }
    EXPECT_TRUE(simboardFingerIdle(board, 0));
    ASSERT_GE(firstDown, 0);
    EXPECT_LT(firstDown, 30);
    EXPECT_GT(lastDown, 50);
    EXPECT_LT(lastDown, 110);

    double t1 = simboardNowMs();
    simboardTap(board, 0, 10, 10, 80);
    EXPECT_GE(simboardNowMs() - t1, 80);
    int x, y;
    EXPECT_FALSE(simboardFingerPoint(board, 0, &x, &y));
    CloseHandle(h);
}

// A script runs its steps in order against the board and names the first line that fails.
TEST_F(BoardFixture, ScriptStepsDriveTheBoard) {
    start();
    EXPECT_EQ(simboardRunScript(board, "# set up\nunits sensor\n\ndown 100 600\nstatus 0x55\n", stdout), 0);
    HANDLE h = openSensor(board, 0);
    uint8_t r[10];
    int x, y;
    ASSERT_TRUE(getPoint(h, r, &x, &y));
    EXPECT_EQ(r[1], 0x55);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 600);
    ASSERT_EQ(exchange(h, STOP, r), 10);
    EXPECT_EQ(simboardRunScript(board, "wait-command Stop 1000\nlift\nunplug\n", stdout), 0);
    EXPECT_FALSE(simboardPlugged(board, 0));
    EXPECT_EQ(exchange(h, GET, r), -1);
    CloseHandle(h);

    simboardClearLog(board); // a script's waits look from the log's start
    EXPECT_EQ(simboardRunScript(board, "replug 0\nwait-command Stop 50\n", stdout), 2)
        << "no second Stop came";
    EXPECT_TRUE(simboardPlugged(board, 0));
    EXPECT_EQ(simboardRunScript(board, "sleep 1\ntap 1 2\n", stdout), 2) << "tap needs three numbers";
    EXPECT_EQ(simboardRunScript(board, "sensor 1\n", stdout), 1) << "there is one sensor";
    EXPECT_EQ(simboardRunScript(board, "fly away\n", stdout), 1);
    EXPECT_EQ(simboardRunScript(board, "report 00 0A 1G\n", stdout), 1) << "not a byte";
}

// A report the sensor sends by itself reaches every open connection, as the HID class driver puts
// it in every open handle's buffer, and comes before the reply to a command written after it.
TEST_F(BoardFixture, AnUnsolicitedReportReachesEveryConnection) {
    start();
    HANDLE a = openSensor(board, 0), b = openSensor(board, 0);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    uint8_t r[10];
    ASSERT_EQ(exchange(a, STOP, r), 10); // both connections are served by now
    ASSERT_EQ(exchange(b, STOP, r), 10);
    EXPECT_EQ(simboardRunScript(board, "report 00 0A 00 11 22\n", stdout), 0);
    for (HANDLE h : {a, b}) {
        memset(r, 0xEE, sizeof r);
        ASSERT_EQ(transfer(h, false, r, 10, 500), 10) << (h == a ? "first" : "second") << " connection";
        EXPECT_EQ(r[1], 0x0A);
        EXPECT_EQ(r[3], 0x11);
        EXPECT_EQ(r[4], 0x22);
        EXPECT_EQ(r[9], 0x00);
    }
    ASSERT_EQ(exchange(a, RUN, r), 10);
    EXPECT_EQ(r[3], 0x00) << "the command's own reply follows";
    CloseHandle(a);
    CloseHandle(b);
}
