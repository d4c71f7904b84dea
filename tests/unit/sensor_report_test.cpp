// Command bytes and reply decoding of the sensor link.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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
