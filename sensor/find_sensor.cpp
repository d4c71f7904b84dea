// findSensor: the first HID interface with the board's identifiers and report sizes that can be
// opened for overlapped reading and writing. Enumeration, the attribute and the capability queries
// go through the device seam, so the same code finds a real board (SetupAPI and HID) or a simulated
// one.
#include <cstddef>
#include <cstdlib>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

// The record sizes are those of the platform's headers. On a 32-bit target they are the classic
// numbers (28, 5, 12, 12); on 64-bit they are larger, and the 64-bit SetupAPI rejects a cbSize of
// 28 with ERROR_INVALID_PARAMETER, so the literal numbers must never be used.
HANDLE sensorCommandHandle = nullptr;
std::atomic<HANDLE> sensorHandle{nullptr};
SensorReport sensorCommand = {};
SensorReport sensorReply = {};

static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DATA) == 28, "interface data size");
static_assert(sizeof(void*) != 4 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5, "detail size");
static_assert(sizeof(void*) != 8 || sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8, "detail size");
static_assert(sizeof(HIDD_ATTRIBUTES) == 12, "attributes size");
static_assert(sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12, "security attributes size");

namespace {

constexpr DWORD DETAIL_SIZE_LIMIT = 64 * 1024; // a device path never comes near this
constexpr DWORD INTERFACE_LIMIT = 65536;       // guards against an enumeration that never ends

// The interface's detail record, allocated with the size that the first query reports, or null
// when the interface gives none. The caller frees it with std::free.
PSP_DEVICE_INTERFACE_DETAIL_DATA_A interfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData) {
    DWORD required = 0;
    deviceSeam.getDeviceInterfaceDetail(set, interfaceData, nullptr, 0, &required, nullptr);
    // A reported size with no room for a path, or absurdly large, is bad data from the enumeration:
    // the interface is skipped.
    if (required <= offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) || required > DETAIL_SIZE_LIMIT)
        return nullptr;
    // At least the whole fixed record, and one byte more that stays zero, so the path is terminated
    // even if the filler forgot to terminate it.
    const size_t allocation =
        (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)
                                                              : required) +
        1;
    auto* detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(std::calloc(1, allocation));
    if (!detail)
        return nullptr;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!deviceSeam.getDeviceInterfaceDetail(set, interfaceData, detail, required, nullptr, nullptr)) {
        std::free(detail);
        return nullptr;
    }
    return detail;
}

// Opens the interface for the queries only (access 0: the system allows that even on the mouse and
// touch collections it holds exclusively) and tells whether it is the sensor: its identifiers, and
// reports long enough for a command and a reply. A board may expose several collections with the
// same identifiers; one whose reports are too short is some other function of it.
bool isSensor(const char* devicePath) {
    HANDLE query = CreateFileA(devicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
    if (query == INVALID_HANDLE_VALUE)
        return false;
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof(HIDD_ATTRIBUTES);
    SensorReportLengths lengths = {0, 0};
    const bool identified = deviceSeam.getAttributes(query, &attributes) != FALSE &&
                            attributes.VendorID == SENSOR_VENDOR_ID &&
                            attributes.ProductID == SENSOR_PRODUCT_ID;
    const bool fits = identified && readSensorReportLengths(query, &lengths) &&
                      reportLengthsFitSensor(lengths.input, lengths.output);
    CloseHandle(query);
    return fits;
}

HANDLE openSensor(const char* devicePath) {
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(SECURITY_ATTRIBUTES);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE handle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &security, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

} // namespace

HANDLE findSensor(std::string* devicePath) {
    GUID hidGuid;
    deviceSeam.getHidGuid(&hidGuid);
    HDEVINFO set = deviceSeam.getClassDevs(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE || set == nullptr)
        return nullptr;

    HANDLE sensor = nullptr;
    DWORD endError = ERROR_NO_MORE_ITEMS;
    DWORD refusal = 0; // why the last matching interface refused the read/write open
    for (DWORD index = 0; index < INTERFACE_LIMIT; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData = {};
        interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
        if (!deviceSeam.enumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData)) {
            endError = GetLastError(); // ERROR_NO_MORE_ITEMS when the list was walked to its end
            break;
        }

        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail = interfaceDetail(set, &interfaceData);
        if (!detail)
            continue;
        if (isSensor(detail->DevicePath)) {
            sensor = openSensor(detail->DevicePath);
            if (sensor && devicePath)
                *devicePath = detail->DevicePath;
            else if (!sensor)
                refusal = GetLastError(); // held by another, or access denied: try the next one
        }
        std::free(detail);
        if (sensor)
            break;
    }
    deviceSeam.destroyDeviceInfoList(set);
    // Without a sensor, the last error tells why: the last matching interface's refusal, or else the
    // enumeration's own end (ERROR_NO_MORE_ITEMS after the last interface).
    if (!sensor)
        SetLastError(refusal ? refusal : endError);
    return sensor;
}
