// The sensor's side of the system's device notifications: the capabilities that give a
// collection's report sizes, whether an open handle's device is still there, and the HID interface
// arrivals and removals a window registers for. All of it goes through the device seam.
#include <cstring>

#include "sensor/core/device_path.h"
#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

bool readSensorReportLengths(HANDLE handle, SensorReportLengths* lengths) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!deviceSeam.getPreparsedData(handle, &preparsed) || !preparsed)
        return false;
    HIDP_CAPS caps;
    std::memset(&caps, 0, sizeof caps);
    const bool read = deviceSeam.getCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    deviceSeam.freePreparsedData(preparsed);
    if (read) {
        lengths->input = caps.InputReportByteLength;
        lengths->output = caps.OutputReportByteLength;
    }
    return read;
}

bool sensorDeviceGone(HANDLE handle) {
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    return deviceSeam.getAttributes(handle, &attributes) == FALSE;
}

HDEVNOTIFY registerSensorNotifications(HWND window) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    deviceSeam.getHidGuid(&filter.dbcc_classguid);
    return deviceSeam.registerNotification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void unregisterSensorNotifications(HDEVNOTIFY notifications) {
    if (notifications)
        deviceSeam.unregisterNotification(notifications);
}

namespace {

constexpr size_t PATH_LIMIT = 4096; // a device path never comes near this

// The path of an interface broadcast, read no further than the record says it reaches. The system
// converts the record for a window of the ANSI API, but a name can still come in UTF-16 (some
// Windows versions pass it through as registered); device paths are plain ASCII, so a name whose
// second byte is zero is read as UTF-16 code units.
std::string broadcastPath(const DEV_BROADCAST_DEVICEINTERFACE_A* record) {
    const size_t fixed = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (record->dbcc_size <= fixed)
        return std::string();
    const size_t room = record->dbcc_size - fixed < PATH_LIMIT ? record->dbcc_size - fixed : PATH_LIMIT;
    const char* name = record->dbcc_name;
    if (room < 2 || name[0] == 0 || name[1] != 0)
        return std::string(name, strnlen(name, room));
    std::string path;
    for (size_t i = 0; i + 1 < room && (name[i] != 0 || name[i + 1] != 0); i += 2)
        path.push_back(name[i + 1] == 0 ? name[i] : '?');
    return path;
}

} // namespace

InterfaceNotice interfaceNotice(WPARAM wParam, LPARAM lParam, std::string* path) {
    if ((wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) || lParam == 0)
        return NOTICE_NONE;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return NOTICE_NONE; // a volume, a port: not an interface of ours to look at
    *path = broadcastPath(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(lParam));
    if (!devicePathNames(*path, SENSOR_VENDOR_ID, SENSOR_PRODUCT_ID))
        return NOTICE_OTHER_DEVICE;
    return wParam == DBT_DEVICEARRIVAL ? NOTICE_SENSOR_ARRIVED : NOTICE_SENSOR_REMOVED;
}
