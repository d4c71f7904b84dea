// Command bytes and reply decoding of the sensor link, the report sizes a collection must have to be
// the sensor, and what an interface path says about its device.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sensor/core/device_path.h"
#include "sensor/core/sensor_report.h"

namespace {

std::string hex(const SensorReport& r, size_t count = SENSOR_REPLY_BYTES) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", r[i]);
        s += b;
    }
    return s;
}

SensorReport reply(uint8_t status, uint8_t b3, uint8_t b4, uint8_t b5) {
    SensorReport r = {};
    r[1] = status;
    r[3] = b3;
    r[4] = b4;
    r[5] = b5;
    return r;
}

} // namespace

TEST(SensorCommand, EachCommandHasItsExactBytes) {
    EXPECT_EQ("00 A0 01 00 00 00 00 00 60 00", hex(makeSensorCommand(SENSOR_GET)));
    EXPECT_EQ("00 A0 02 00 00 00 00 00 60 00", hex(makeSensorCommand(SENSOR_RUN)));
    EXPECT_EQ("00 A0 03 00 00 00 00 00 60 00", hex(makeSensorCommand(SENSOR_STOP)));
    SensorReport probe;
    probe.fill(0x55);
    buildProbeCommand(probe);
    EXPECT_EQ("00 A0 00 00 00 00 00 00 00 00", hex(probe));
}

TEST(SensorCommand, RebuildingABufferGivesTheSameBytes) {
    // A buffer that already holds a command, or anything else, is rebuilt from the template: the
    // check byte stays 0x60 and does not flip to 0x00 on the second sending.
    SensorReport buffer;
    buffer.fill(0xFF);
    for (int round = 0; round < 3; ++round) {
        buildSensorCommand(buffer, SENSOR_STOP);
        EXPECT_EQ("00 A0 03 00 00 00 00 00 60 00", hex(buffer)) << "round " << round;
    }
    buildSensorCommand(buffer, SENSOR_GET);
    EXPECT_EQ("00 A0 01 00 00 00 00 00 60 00", hex(buffer));
    buildProbeCommand(buffer);
    EXPECT_EQ(0x00, buffer[8]);
    buildSensorCommand(buffer, SENSOR_RUN);
    EXPECT_EQ("00 A0 02 00 00 00 00 00 60 00", hex(buffer));
}

TEST(SensorCommand, CheckByteIgnoresTheSubCommand) {
    EXPECT_EQ(0x60, commandCheckByte(0xA0, 0x00));
    EXPECT_EQ(0x00, commandCheckByte(0xA0, 0x60)); // the rule applied twice, which builders avoid
    EXPECT_EQ(0x00, commandCheckByte(0x00, 0x00)); // 0x100 wraps to 0
    EXPECT_EQ(0xFF, commandCheckByte(0x01, 0x00));
}

TEST(SensorReply, DecodesTenBitCoordinates) {
    struct Case {
        uint8_t b3, b4, b5;
        int32_t x, y;
    } cases[] = {
        {0x00, 0x00, 0x00, 0, 0},     {0x34, 0x12, 0x00, 0x34, 0x12}, {0xFF, 0xFF, 0xF0, 1023, 1023},
        {0x00, 0x00, 0x10, 256, 0},   {0x00, 0x00, 0x20, 512, 0},     {0x00, 0x00, 0x40, 0, 256},
        {0x00, 0x00, 0x80, 0, 512},   {0x01, 0x02, 0x0F, 1, 2}, // bits 0..3 of byte 5 are unused
        {0xFF, 0xFF, 0x6F, 767, 511},
    };
    for (const Case& c : cases) {
        SensorPoint p = decodeSensorPoint(reply(REPORT_DATA, c.b3, c.b4, c.b5));
        EXPECT_EQ(c.x, p.x) << "bytes 3..5 " << int(c.b3) << " " << int(c.b4) << " " << int(c.b5);
        EXPECT_EQ(c.y, p.y) << "bytes 3..5 " << int(c.b3) << " " << int(c.b4) << " " << int(c.b5);
    }
}

TEST(SensorReply, OtherBytesDoNotTouchTheCoordinates) {
    SensorReport r = reply(REPORT_DATA, 10, 20, 0);
    r[0] = 0xFF;
    r[2] = 0xFF;
    for (size_t i = 6; i < r.size(); ++i)
        r[i] = 0xFF;
    SensorPoint p = decodeSensorPoint(r);
    EXPECT_EQ(10, p.x);
    EXPECT_EQ(20, p.y);
}

TEST(SensorReply, ValidityIsStrictlyInsideTheSensorSpace) {
    EXPECT_TRUE(isValidSensorPoint({1, 1}));
    EXPECT_TRUE(isValidSensorPoint({1023, 767}));
    EXPECT_TRUE(isValidSensorPoint({512, 384}));
    EXPECT_FALSE(isValidSensorPoint({0, 100})) << "x 0 is no touch";
    EXPECT_FALSE(isValidSensorPoint({100, 0})) << "y 0 is no touch";
    EXPECT_FALSE(isValidSensorPoint({0, 0}));
    EXPECT_FALSE(isValidSensorPoint({100, 768})) << "y 768 is outside";
    EXPECT_FALSE(isValidSensorPoint({1024, 100})) << "x 1024 is outside";
    EXPECT_FALSE(isValidSensorPoint(decodeSensorPoint(reply(REPORT_DATA, 0xFF, 0xFF, 0xF0))))
        << "x 1023, y 1023";
}

TEST(SensorReply, StatusByteTellsWhetherThereIsAnAnswer) {
    EXPECT_TRUE(replyCarriesAnswer(reply(0x0A, 1, 1, 0)));
    for (int status : {0x00, 0x0B, 0xA0, 0xFF})
        EXPECT_FALSE(replyCarriesAnswer(reply(static_cast<uint8_t>(status), 1, 1, 0))) << status;
    SensorReport r = reply(0x00, 0, 0, 0);
    r[0] = 0x0A; // the report id is not the status
    EXPECT_FALSE(replyCarriesAnswer(r));
}

TEST(SensorReportLengths, TheProtocolMustFitAndNothingAbsurd) {
    struct Case {
        size_t input, output;
        bool fits;
    };
    const Case cases[] = {
        {10, 9, true},      // the protocol's own sizes
        {65, 65, true},     // a report ID and 64 bytes each way
        {64, 9, true},      // mixed
        {9, 9, false},      // a reply would be cut short
        {10, 8, false},     // a command would not fit
        {10, 0, false},     // no output report: a mouse or a keyboard collection
        {0, 0, false},      // no reports at all
        {4096, 4096, true}, // the longest taken
        {4097, 65, false},  // absurd: bad capabilities, not the sensor
        {65, 65536, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reportLengthsFitSensor(c.input, c.output), c.fits)
            << c.input << " in, " << c.output << " out";
}

TEST(DevicePath, AnInterfacePathNamesItsDeviceByVendorAndProduct) {
    const std::string guid = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    EXPECT_TRUE(devicePathNames("\\\\?\\HID#VID_0925&PID_0300#7&1a2b3c4d&0&0000" + guid, 0x0925, 0x0300));
    EXPECT_TRUE(devicePathNames("\\\\?\\hid#vid_0925&pid_0300&mi_01#8&2f&0&0000" + guid, 0x0925, 0x0300))
        << "letter case does not matter; an interface number may follow";
    EXPECT_TRUE(devicePathNames("\\\\.\\pipe\\Board-1-0#VID_0925&PID_0300", 0x0925, 0x0300)) << "at the end";
    EXPECT_TRUE(devicePathNames("\\\\?\\HID#VID_ABCD&PID_00EF#1" + guid, 0xABCD, 0x00EF)) << "hex letters";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_0925&PID_0301#7" + guid, 0x0925, 0x0300))
        << "another product";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_1234&PID_0300#7" + guid, 0x0925, 0x0300))
        << "another vendor";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_0300&PID_0925#7" + guid, 0x0925, 0x0300)) << "swapped";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_09250&PID_0300#7" + guid, 0x0925, 0x0300))
        << "a longer number that merely starts with the vendor's";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_0925&PID_030#7" + guid, 0x0925, 0x0300)) << "cut short";
    EXPECT_FALSE(devicePathNames("\\\\?\\HID#VID_0925", 0x0925, 0x0300)) << "no product at all";
    EXPECT_FALSE(devicePathNames("", 0x0925, 0x0300));
    EXPECT_FALSE(devicePathNames("0925 0300", 0x0925, 0x0300)) << "bare numbers are no identifiers";
}

TEST(DevicePath, PathsCompareWithoutLetterCase) {
    EXPECT_TRUE(sameDevicePath("\\\\?\\HID#VID_0925&PID_0300#7", "\\\\?\\hid#vid_0925&pid_0300#7"));
    EXPECT_FALSE(sameDevicePath("\\\\?\\HID#VID_0925&PID_0300#7", "\\\\?\\HID#VID_0925&PID_0300#8"));
    EXPECT_FALSE(sameDevicePath("\\\\?\\HID#1", "\\\\?\\HID#12")) << "a prefix is another path";
    EXPECT_FALSE(sameDevicePath("", "x"));
}
