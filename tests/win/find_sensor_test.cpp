// findSensor against simulated sensors: which interface it opens, which it only queries, and when
// it gives up; and the HID interface notices a window registers for.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

#include <dbt.h>
#include "tests/support/flush_events.h"
#include "tests/support/hidden_window.h"
#include "tools/simboard/simboard.h"

namespace {

SimSensorConfig sensor(uint16_t vid, uint16_t pid, bool refuseOpen = false) {
    SimSensorConfig s;
    s.vendorId = vid;
    s.productId = pid;
    s.refuseOpen = refuseOpen;
    return s;
}

SimSensorConfig withReports(SimSensorConfig s, uint16_t input, uint16_t output) {
    s.inputReportLength = input;
    s.outputReportLength = output;
    return s;
}

struct FindSensor : ::testing::Test {
    SimBoard* board = nullptr;
    std::vector<HANDLE> handles;

    void start(std::vector<SimSensorConfig> sensors) {
        SimBoardConfig config;
        config.sensors = sensors;
        config.broadcastDeviceChange = false;
        board = simboardStart(config);
        ASSERT_NE(nullptr, board) << "error " << GetLastError();
    }
    HANDLE find() {
        HANDLE h = findSensor();
        if (h)
            handles.push_back(h);
        return h;
    }
    void TearDown() override {
        for (HANDLE h : handles)
            CloseHandle(h);
        if (board)
            simboardStop(board);
    }

    // Events of one kind for one sensor, waiting a moment for the board's threads to log them.
    int count(int sensorIndex, SimEventKind kind, DWORD settleMs = 100) {
        Sleep(settleMs);
        int n = 0;
        for (const SimEvent& e : simboardLog(board))
            if (e.sensor == sensorIndex && e.kind == kind)
                ++n;
        return n;
    }
    // An opened or a closed handle is logged once the board's pipe threads have seen it come or go,
    // which on a loaded machine can be well after the call returned: the count once it is `wanted`,
    // or after two seconds.
    int countOnceLogged(int sensorIndex, SimEventKind kind, int wanted) {
        int n = count(sensorIndex, kind, 0);
        for (DWORD start = GetTickCount(); n != wanted && GetTickCount() - start < 2000;
             n = count(sensorIndex, kind, 0))
            Sleep(10);
        return n;
    }

    // The sensor and connection a handle reaches, told by the log entry of a Stop sent over it. The
    // command's arrival is what counts: on a loaded machine its reply may come after the exchange
    // has stopped waiting for it.
    bool reached(HANDLE h, int* sensorIndex, int* connection) {
        const size_t from = simboardLogSize(board);
        SensorReport stop = makeSensorCommand(SENSOR_STOP), reply = {};
        exchangeReport(h, stop, reply);
        const int at = simboardWaitCommand(board, -1, SIM_CMD_STOP, 3000, from);
        if (at < 0)
            return false;
        const SimEvent e = simboardLog(board)[static_cast<size_t>(at)];
        *sensorIndex = e.sensor;
        *connection = e.connection;
        return true;
    }
};

} // namespace

TEST_F(FindSensor, NoDeviceGivesZero) {
    start({});
    SetLastError(0);
    EXPECT_EQ(nullptr, find());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
}

TEST_F(FindSensor, OtherIdentifiersAreQueriedClosedAndPassedOver) {
    // The same vendor with another product, another vendor with the same product.
    start({sensor(0x0925, 0x0301), sensor(0x1234, 0x0300), sensor(0x0300, 0x0925)});
    EXPECT_EQ(nullptr, find());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(1, countOnceLogged(i, SIM_CONNECT, 1))
            << "sensor " << i << " opened once for its attributes";
        EXPECT_EQ(1, countOnceLogged(i, SIM_DISCONNECT, 1)) << "sensor " << i << " closed again";
        EXPECT_EQ(0, count(i, SIM_COMMAND, 0)) << "nothing is written to sensor " << i;
    }
}

TEST_F(FindSensor, OpensTheFirstMatchingSensorAfterOthers) {
    start({sensor(0x0925, 0x0301), sensor(0x0925, 0x0300), sensor(0x0925, 0x0300)});
    HANDLE h = find();
    ASSERT_NE(nullptr, h);
    int index = -1, connection = -1;
    ASSERT_TRUE(reached(h, &index, &connection));
    EXPECT_EQ(1, index) << "the first matching sensor in enumeration order";
    EXPECT_EQ(0, count(2, SIM_CONNECT)) << "the search ends at the first match";
    // The query handle of the match is closed; only the read/write one stays open.
    EXPECT_EQ(2, countOnceLogged(1, SIM_CONNECT, 2));
    EXPECT_EQ(1, countOnceLogged(1, SIM_DISCONNECT, 1));
}

// The system holds some collections of a board exclusively: the search goes on to the next match.
TEST_F(FindSensor, AMatchThatRefusesTheOpenIsPassedOverForTheNext) {
    start({sensor(0x0925, 0x0300, true), sensor(0x0925, 0x0300)});
    std::string path;
    HANDLE h = findSensor(&path);
    ASSERT_NE(nullptr, h) << "error " << GetLastError();
    handles.push_back(h);
    EXPECT_EQ(path, simboardPipePath(board, 1));
    int index = -1, connection = -1;
    ASSERT_TRUE(reached(h, &index, &connection));
    EXPECT_EQ(1, index) << "the second matching sensor is used";
    EXPECT_EQ(1, countOnceLogged(0, SIM_DISCONNECT, 1)) << "the refusing one's query handle is closed";
}

// The search reads a match's attributes and then its report sizes on one query handle; a
// collection the system holds exclusively refuses only the read/write open, and keeps serving
// queries on that handle for as long as it is held, whatever the timing.
TEST_F(FindSensor, OnlyRefusingMatchesGiveZeroAndSayWhy) {
    start({sensor(0x0925, 0x0300, true), sensor(0x0925, 0x0301), sensor(0x0925, 0x0300, true)});
    EXPECT_EQ(nullptr, find());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(1, countOnceLogged(2, SIM_CONNECT, 1)) << "the last match was queried too";

    HANDLE query = CreateFileA(simboardPipePath(board, 0).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, query) << "error " << GetLastError();
    Sleep(300); // long after the board took the connection
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    EXPECT_TRUE(deviceSeam.getAttributes(query, &attributes)) << "error " << GetLastError();
    SensorReportLengths lengths = {0, 0};
    EXPECT_TRUE(readSensorReportLengths(query, &lengths)) << "error " << GetLastError();
    EXPECT_EQ(1, countOnceLogged(0, SIM_DISCONNECT, 1)) << "the held query's connection was ended";
    CloseHandle(query);
    EXPECT_EQ(2, countOnceLogged(0, SIM_DISCONNECT, 2)) << "the query's close was not seen";
}

// A collection whose reports cannot hold a command or a reply is some other function of the board:
// queried, closed, passed over. Longer reports than the protocol's are the sensor's.
TEST_F(FindSensor, ReportsTooShortForTheProtocolAreNotTheSensor) {
    start({withReports(sensor(0x0925, 0x0300), 9, 9), withReports(sensor(0x0925, 0x0300), 10, 8),
           withReports(sensor(0x0925, 0x0300), 65, 65)});
    std::string path;
    HANDLE h = findSensor(&path);
    ASSERT_NE(nullptr, h) << "error " << GetLastError();
    handles.push_back(h);
    EXPECT_EQ(path, simboardPipePath(board, 2)) << "the one with 65-byte reports";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(1, countOnceLogged(i, SIM_CONNECT, 1)) << "sensor " << i << " only queried";
        EXPECT_EQ(1, countOnceLogged(i, SIM_DISCONNECT, 1)) << "sensor " << i << " closed again";
    }
}

TEST_F(FindSensor, TwoCallsGiveTwoHandlesOnTheSameSensor) {
    start({sensor(0x0925, 0x0300), sensor(0x0925, 0x0300)});
    HANDLE first = find();
    HANDLE second = find();
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    int s1 = -1, c1 = -1, s2 = -1, c2 = -1;
    ASSERT_TRUE(reached(first, &s1, &c1));
    ASSERT_TRUE(reached(second, &s2, &c2));
    EXPECT_EQ(0, s1);
    EXPECT_EQ(0, s2) << "both on the first sensor";
    EXPECT_NE(c1, c2) << "two independent connections";
}

TEST_F(FindSensor, TheHandleIsInheritableAndOverlapped) {
    start({sensor(0x0925, 0x0300)});
    HANDLE h = find();
    ASSERT_NE(nullptr, h);
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(h, &flags));
    EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);
    // An overlapped handle: a read with nothing to read stays pending instead of blocking.
    uint8_t buffer[10];
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const BOOL done = ReadFile(h, buffer, sizeof buffer, nullptr, &ov);
    const DWORD error = GetLastError();
    EXPECT_FALSE(done);
    EXPECT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), error);
    CancelIoEx(h, &ov);
    DWORD moved = 0;
    GetOverlappedResult(h, &ov, &moved, TRUE);
    CloseHandle(ov.hEvent);
}

TEST_F(FindSensor, AnUnpluggedSensorIsNotFoundAndAReplugIs) {
    start({sensor(0x0925, 0x0300)});
    simboardUnplug(board, 0);
    EXPECT_EQ(nullptr, find());
    simboardReplug(board, 0);
    EXPECT_NE(nullptr, find()) << "each call enumerates afresh";
}

// ---- Interface notices -------------------------------------------------------------------------

namespace {

struct Notice {
    WPARAM kind;
    InterfaceNotice notice;
    std::string path;
};
std::vector<Notice> notices;
int nodeChanges = 0;

LRESULT CALLBACK noticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE) {
        std::string path;
        const InterfaceNotice n = interfaceNotice(wParam, lParam, &path);
        if (n != NOTICE_NONE)
            notices.push_back({wParam, n, path});
        else if (wParam == DBT_DEVNODES_CHANGED)
            ++nodeChanges;
        return TRUE;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

// A window registered for HID interfaces hears of each sensor that is unplugged or plugged in, with
// its path; a sensor with other identifiers is another device; a registration ended hears nothing.
TEST_F(FindSensor, ARegisteredWindowHearsOfInterfacesComingAndGoing) {
    SimBoardConfig config;
    config.sensors = {sensor(0x0925, 0x0300), sensor(0x0925, 0x0301)};
    board = simboardStart(config); // with the broadcast, as the system sends both
    ASSERT_NE(nullptr, board);
    HWND window = createHiddenWindow("find_sensor_test_notices", noticeProc);
    ASSERT_NE(nullptr, window);
    notices.clear();
    nodeChanges = 0;
    HDEVNOTIFY registration = registerSensorNotifications(window);
    ASSERT_NE(nullptr, registration) << GetLastError();
    flushEvents(200);
    EXPECT_TRUE(notices.empty()) << notices.size() << " notices before anything happened";

    simboardUnplug(board, 0);
    flushEvents(300);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(notices[0].notice, NOTICE_SENSOR_REMOVED);
    EXPECT_EQ(notices[0].path, simboardPipePath(board, 0));
    EXPECT_EQ(nodeChanges, 1);

    notices.clear();
    simboardReplug(board, 0, SIM_ANNOUNCE_INTERFACES);
    flushEvents(300);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
    EXPECT_EQ(notices[0].notice, NOTICE_SENSOR_ARRIVED);
    EXPECT_EQ(notices[0].path, simboardPipePath(board, 0));
    EXPECT_EQ(nodeChanges, 1) << "no broadcast with the interface notice only";

    notices.clear();
    simboardUnplug(board, -1); // both at once: one notice each, in order
    simboardReplug(board, 1);
    flushEvents(300);
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[0].notice, NOTICE_SENSOR_REMOVED);
    EXPECT_EQ(notices[1].notice, NOTICE_OTHER_DEVICE) << notices[1].path;
    EXPECT_EQ(notices[1].kind, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(notices[2].notice, NOTICE_OTHER_DEVICE);
    EXPECT_EQ(notices[2].kind, static_cast<WPARAM>(DBT_DEVICEARRIVAL));

    notices.clear();
    simboardReplug(board, 0);
    simboardUnplug(board, 0, false); // a sensor lost without the system noticing: no notice
    flushEvents(300);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].notice, NOTICE_SENSOR_ARRIVED);

    unregisterSensorNotifications(registration);
    notices.clear();
    simboardReplug(board, 0);
    flushEvents(300);
    EXPECT_TRUE(notices.empty()) << "heard after the registration ended";
    destroyHiddenWindow(window);
}

// What a WM_DEVICECHANGE says, read within the record's own size, whether its name comes as ANSI or
// as UTF-16; anything but an interface arrival or removal is no notice.
TEST(InterfaceNotices, RecordsAreReadWithinTheirSize) {
    const std::string sensorPath =
        "\\\\?\\HID#VID_0925&PID_0300#7&1a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    std::vector<char> record(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + 2 * sensorPath.size() + 2,
                             0);
    auto* ansi = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(record.data());
    ansi->dbcc_size = DWORD(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + sensorPath.size() + 1);
    ansi->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    memcpy(ansi->dbcc_name, sensorPath.c_str(), sensorPath.size() + 1);
    const LPARAM lParam = reinterpret_cast<LPARAM>(record.data());
    std::string path;
    EXPECT_EQ(interfaceNotice(DBT_DEVICEARRIVAL, lParam, &path), NOTICE_SENSOR_ARRIVED);
    EXPECT_EQ(path, sensorPath);
    EXPECT_EQ(interfaceNotice(DBT_DEVICEREMOVECOMPLETE, lParam, &path), NOTICE_SENSOR_REMOVED);
    EXPECT_EQ(interfaceNotice(DBT_DEVNODES_CHANGED, 0, &path), NOTICE_NONE);
    EXPECT_EQ(interfaceNotice(DBT_DEVICEARRIVAL, 0, &path), NOTICE_NONE) << "no record";
    EXPECT_EQ(interfaceNotice(DBT_DEVICEQUERYREMOVE, lParam, &path), NOTICE_NONE);

    ansi->dbcc_size = DWORD(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + 12); // cut in the middle
    EXPECT_EQ(interfaceNotice(DBT_DEVICEARRIVAL, lParam, &path), NOTICE_OTHER_DEVICE);
    EXPECT_EQ(path, sensorPath.substr(0, 12)) << "read past the record's size";

    auto* wide = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
    wide->dbcc_size = DWORD(record.size());
    for (size_t i = 0; i <= sensorPath.size(); ++i)
        wide->dbcc_name[i] = wchar_t(i < sensorPath.size() ? sensorPath[i] : 0);
    EXPECT_EQ(interfaceNotice(DBT_DEVICEARRIVAL, lParam, &path), NOTICE_SENSOR_ARRIVED);
    EXPECT_EQ(path, sensorPath) << "a UTF-16 name";

    ansi->dbcc_devicetype = DBT_DEVTYP_VOLUME;
    EXPECT_EQ(interfaceNotice(DBT_DEVICEARRIVAL, lParam, &path), NOTICE_NONE) << "a volume";
}
