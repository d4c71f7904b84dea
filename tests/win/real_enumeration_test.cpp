// The product's device enumeration under Wine: this executable binds the real SetupAPI and HID
// functions. Wine has no board (and here no HID device), so the search must run to the end of the
// list and stop there, not trip over a record size the 64-bit SetupAPI rejects.
#include <gtest/gtest.h>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

namespace {

HDEVINFO hidInterfaces(GUID* hidGuid) {
    deviceSeam.getHidGuid(hidGuid);
    return deviceSeam.getClassDevs(hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
}

} // namespace

TEST(RealEnumeration, FindSensorEndsWithNoMoreItems) {
    SetLastError(0);
    HANDLE sensor = findSensor();
    const DWORD error = GetLastError();
    EXPECT_EQ(nullptr, sensor);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), error)
        << "the search must end at the end of the list, not with error " << error;
    if (sensor)
        CloseHandle(sensor);
}

TEST(RealEnumeration, EveryHidInterfaceIsWalkedWithThePlatformRecordSize) {
    GUID hidGuid;
    HDEVINFO set = hidInterfaces(&hidGuid);
    ASSERT_NE(INVALID_HANDLE_VALUE, set) << "SetupDiGetClassDevsA failed with " << GetLastError();
    DWORD index = 0;
    for (; index < 1000; ++index) {
        SP_DEVICE_INTERFACE_DATA data = {};
        data.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
        if (!deviceSeam.enumDeviceInterfaces(set, nullptr, &hidGuid, index, &data))
            break;
    }
    const DWORD error = GetLastError();
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), error) << "after " << index << " interfaces";
    deviceSeam.destroyDeviceInfoList(set);
}

TEST(RealEnumeration, TheClassicThirtyTwoBitSizeIsRejectedHere) {
    // Why the record sizes come from the headers: a 64-bit SetupAPI refuses the 32-bit number 28.
    // Should this ever pass, the size check above would no longer guard anything.
    if (sizeof(void*) != 8)
        GTEST_SKIP() << "a 32-bit build: 28 is the right size there";
    GUID hidGuid;
    HDEVINFO set = hidInterfaces(&hidGuid);
    ASSERT_NE(INVALID_HANDLE_VALUE, set);
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = 28;
    EXPECT_FALSE(deviceSeam.enumDeviceInterfaces(set, nullptr, &hidGuid, 0, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    deviceSeam.destroyDeviceInfoList(set);
}
