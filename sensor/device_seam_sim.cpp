// The simulated-board build's binding of the device seam: the HID interfaces are the simulated
// sensors that a board (this process or another one) lists under
// HKEY_CURRENT_USER\Software\VelmoraSimBoard\Devices, values "0", "1", ... in enumeration order,
// each REG_SZ "<vid hex4> <pid hex4> <open|refuse|nocancel> [reports:<in>:<out>] <pipe path>"
// (docs/simulated-board.md); without the reports word a sensor has 10-byte input and 9-byte output
// reports. The calls check their arguments as SetupAPI and HID do, so a caller that passes the
// wrong structure sizes fails here as it would on a real machine.
//
// Interface notifications: the board writes each arrival and removal it announces under
// ...\VelmoraSimBoard\Notices (value "<board pid>-<number>", REG_SZ "arrival <path>" or
// "removal <path>"). A registered window gets each new one as the system's WM_DEVICECHANGE with a
// DEV_BROADCAST_DEVICEINTERFACE_A, sent from a thread of this process that watches the registry,
// as the system sends its own from outside the window's thread.
#include "sensor/device_seam.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* DEVICES_KEY = "Software\\VelmoraSimBoard\\Devices";
constexpr const char* NOTICES_KEY = "Software\\VelmoraSimBoard\\Notices";
constexpr int MAX_DEVICES = 64;
constexpr DWORD SET_MAGIC = 0x53494D44; // marks a device set of ours

const GUID HID_GUID = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct SimDevice {
    USHORT vendorId;
    USHORT productId;
    std::string path;   // "\\.\pipe\..."
    bool cancelIgnored; // "nocancel": a driver that never completes a cancelled transfer
    USHORT inputBytes;  // its input report length ("reports:<in>:<out>"; 10 without)
    USHORT outputBytes; // its output report length (9 without)
};

struct SimDeviceSet {
    DWORD magic;
    std::vector<SimDevice> devices;
};

// Parses "<vid hex> <pid hex> <open|refuse|nocancel> [reports:<in>:<out>] <path>"; anything else is
// not a device.
bool parseDevice(const char* text, SimDevice* device) {
    unsigned vid = 0, pid = 0;
    char access[16] = {0};
    int consumed = 0;
    if (sscanf(text, "%x %x %15s %n", &vid, &pid, access, &consumed) != 3 || consumed <= 0)
        return false;
    const bool cancelIgnored = strcmp(access, "nocancel") == 0;
    if (vid > 0xFFFF || pid > 0xFFFF ||
        (strcmp(access, "open") != 0 && strcmp(access, "refuse") != 0 && !cancelIgnored))
        return false;
    const char* path = text + consumed;
    unsigned in = 10, out = 9;
    if (strncmp(path, "reports:", 8) == 0) {
        int more = 0;
        if (sscanf(path, "reports:%u:%u %n", &in, &out, &more) != 2 || more <= 0 || in > 0xFFFF ||
            out > 0xFFFF)
            return false;
        path += more;
    }
    if (strncmp(path, "\\\\.\\pipe\\", 9) != 0 || strlen(path) <= 9)
        return false;
    device->vendorId = USHORT(vid);
    device->productId = USHORT(pid);
    device->path = path;
    device->cancelIgnored = cancelIgnored;
    device->inputBytes = USHORT(in);
    device->outputBytes = USHORT(out);
    return true;
}

// Reads the list as it is now. The user's own hive is opened directly (RegOpenCurrentUser), so a
// test that redirects HKEY_CURRENT_USER still sees the board's list. Ends at the first missing
// number; a value that is not a device (wrong type, bad text) is skipped.
std::vector<SimDevice> readDevices() {
    std::vector<SimDevice> devices;
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_READ, &user) != ERROR_SUCCESS)
        return devices;
    HKEY key = nullptr;
    if (RegOpenKeyExA(user, DEVICES_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (int i = 0; i < MAX_DEVICES; ++i) {
            char name[16];
            snprintf(name, sizeof name, "%d", i);
            char data[512];
            DWORD type = 0, size = sizeof data - 1;
            LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
            if (r == ERROR_FILE_NOT_FOUND)
                break;
            if (r != ERROR_SUCCESS || type != REG_SZ)
                continue;
            data[size < sizeof data ? size : sizeof data - 1] = 0; // the value may lack its zero
            SimDevice device;
            if (parseDevice(data, &device))
                devices.push_back(device);
        }
        RegCloseKey(key);
    }
    RegCloseKey(user);
    return devices;
}

SimDeviceSet* asSet(HDEVINFO set) {
    if (!set || set == INVALID_HANDLE_VALUE)
        return nullptr;
    SimDeviceSet* s = static_cast<SimDeviceSet*>(set);
    return s->magic == SET_MAGIC ? s : nullptr;
}

// The interface record carries its index (plus one) in Reserved, as SetupAPI keeps its own there.
const SimDevice* deviceOf(SimDeviceSet* s, PSP_DEVICE_INTERFACE_DATA iface) {
    if (!iface || iface->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || iface->Reserved == 0 ||
        iface->Reserved > s->devices.size())
        return nullptr;
    return &s->devices[iface->Reserved - 1];
}

void NTAPI simGetHidGuid(LPGUID guid) {
    if (guid)
        *guid = HID_GUID;
}

HDEVINFO WINAPI simGetClassDevs(const GUID* guid, PCSTR enumerator, HWND, DWORD flags) {
    if (!(flags & DIGCF_DEVICEINTERFACE) || enumerator) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    SimDeviceSet* s = new SimDeviceSet{SET_MAGIC, {}};
    if (guid && memcmp(guid, &HID_GUID, sizeof(GUID)) == 0)
        s->devices = readDevices(); // another class: an empty set
    return s;
}

BOOL WINAPI simEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID* guid, DWORD index,
                                    PSP_DEVICE_INTERFACE_DATA data) {
    SimDeviceSet* s = asSet(set);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!guid || memcmp(guid, &HID_GUID, sizeof(GUID)) != 0 || index >= s->devices.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = HID_GUID;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = ULONG_PTR(index) + 1;
    return TRUE;
}

// The two-call size protocol: without a buffer the required size comes back with
// ERROR_INSUFFICIENT_BUFFER; with one, its cbSize must be this platform's size of the fixed part.
BOOL WINAPI simGetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA iface,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                        PDWORD required, PSP_DEVINFO_DATA) {
    SimDeviceSet* s = asSet(set);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const SimDevice* device = deviceOf(s, iface);
    if (!device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((!detail && size != 0) ||
        (detail && size < offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + 1)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (detail && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    DWORD needed = DWORD(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + device->path.size() + 1);
    if (required)
        *required = needed;
    if (!detail || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(detail->DevicePath, device->path.c_str(), device->path.size() + 1);
    return TRUE;
}

BOOL WINAPI simDestroyDeviceInfoList(HDEVINFO set) {
    SimDeviceSet* s = asSet(set);
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s->magic = 0;
    delete s;
    return TRUE;
}

// The pipe name behind a handle, "\VelmoraSimBoard-..." (works on handles opened with access 0).
bool pipeNameOf(HANDLE handle, std::string* name) {
    alignas(FILE_NAME_INFO) char buffer[sizeof(FILE_NAME_INFO) + 512 * sizeof(WCHAR)];
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, buffer, sizeof buffer))
        return false;
    const FILE_NAME_INFO* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer);
    name->clear();
    for (DWORD i = 0; i < info->FileNameLength / sizeof(WCHAR) && i < 512; ++i)
        name->push_back(info->FileName[i] < 128 ? char(info->FileName[i]) : '?');
    return true;
}

// The listed device the handle is open on; false for a handle on anything else, or on a device no
// longer listed (unplugged).
bool listedDeviceOf(HANDLE handle, SimDevice* found) {
    std::string name;
    if (!pipeNameOf(handle, &name))
        return false;
    for (const SimDevice& device : readDevices()) {
        const char* listed = device.path.c_str() + 8; // "\\.\pipe\x" -> "\x"
        if (_stricmp(listed, name.c_str()) == 0) {
            *found = device;
            return true;
        }
    }
    return false;
}

// Answers the identifiers of the listed device the handle is open on. A handle on anything else,
// or on a device no longer listed (unplugged), has no attributes.
BOOLEAN NTAPI simGetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    if (!attributes || attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SimDevice device;
    if (!listedDeviceOf(handle, &device)) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    attributes->VendorID = device.vendorId;
    attributes->ProductID = device.productId;
    attributes->VersionNumber = 0x0100;
    return TRUE;
}

// A pipe's transfers end at once when cancelled. A device listed "nocancel" plays a driver that
// takes the request and never completes it: the transfer stays pending until it completes by
// itself (a reply comes) or the handle is closed.
BOOL WINAPI simCancelTransfer(HANDLE handle, LPOVERLAPPED overlapped) {
    SimDevice device;
    if (listedDeviceOf(handle, &device) && device.cancelIgnored)
        return TRUE;
    return CancelIoEx(handle, overlapped);
}

// Drops every reply already waiting on the handle's connection. The handle is overlapped, so each
// read has its own record; data that PeekNamedPipe reported is there, so the read completes at
// once, and a read that did not is cancelled and awaited before its record goes.
BOOLEAN NTAPI simFlushQueue(HANDLE handle) {
    DWORD available = 0;
    if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr))
        return FALSE;
    if (available == 0)
        return TRUE; // the usual case: the exchange flushes before every command
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        return FALSE;
    BOOLEAN ok = TRUE;
    for (int guard = 0; available > 0 && guard < 1024; ++guard) {
        char scratch[256];
        OVERLAPPED ov{};
        ov.hEvent = event;
        ResetEvent(event);
        DWORD got = 0;
        if (!ReadFile(handle, scratch, sizeof scratch, nullptr, &ov)) {
            DWORD e = GetLastError();
            if (e == ERROR_IO_PENDING) {
                if (WaitForSingleObject(event, 50) != WAIT_OBJECT_0)
                    CancelIoEx(handle, &ov);
            } else if (e != ERROR_MORE_DATA) {
                ok = FALSE;
                break;
            }
        }
        GetOverlappedResult(handle, &ov, &got, TRUE);
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) {
            ok = FALSE;
            break;
        }
    }
    CloseHandle(event);
    return ok;
}

// ---- Capabilities ----------------------------------------------------------------------------
// The preparsed data of a listed device: a record of ours that carries its report lengths.

constexpr DWORD PREPARSED_MAGIC = 0x53494D50;

struct SimPreparsed {
    DWORD magic;
    USHORT inputBytes;
    USHORT outputBytes;
};

// As HID: any handle on the collection will do (access 0 too); a handle on anything else, or on a
// device no longer listed, has none.
BOOLEAN NTAPI simGetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA* preparsed) {
    SimDevice device;
    if (!preparsed || !listedDeviceOf(handle, &device)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    *preparsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(
        new SimPreparsed{PREPARSED_MAGIC, device.inputBytes, device.outputBytes});
    return TRUE;
}

SimPreparsed* asPreparsed(PHIDP_PREPARSED_DATA preparsed) {
    SimPreparsed* p = reinterpret_cast<SimPreparsed*>(preparsed);
    return p && p->magic == PREPARSED_MAGIC ? p : nullptr;
}

NTSTATUS NTAPI simGetCaps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps) {
    const SimPreparsed* p = asPreparsed(preparsed);
    if (!p || !caps)
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    memset(caps, 0, sizeof *caps);
    caps->UsagePage = 0xFF00; // vendor-defined, as the sensor's own collection
    caps->Usage = 0x01;
    caps->InputReportByteLength = p->inputBytes;
    caps->OutputReportByteLength = p->outputBytes;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN NTAPI simFreePreparsedData(PHIDP_PREPARSED_DATA preparsed) {
    SimPreparsed* p = asPreparsed(preparsed);
    if (!p)
        return FALSE;
    delete p;
    return TRUE;
}

// ---- Interface notifications -----------------------------------------------------------------

struct SimNotice {
    unsigned long long number; // in the order the board announced them
    std::string name;          // the registry value's name
    bool arrival;
    std::string path;
};

// The notices under the key as they are now, oldest first.
std::vector<SimNotice> readNotices(HKEY user) {
    std::vector<SimNotice> notices;
    HKEY key = nullptr;
    if (RegOpenKeyExA(user, NOTICES_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return notices;
    for (DWORD i = 0; i < 4096; ++i) {
        char name[64], data[512];
        DWORD nameSize = sizeof name, type = 0, size = sizeof data - 1;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS)
            break;
        data[size < sizeof data ? size : sizeof data - 1] = 0;
        const char* dash = strchr(name, '-');
        SimNotice n;
        n.arrival = strncmp(data, "arrival ", 8) == 0;
        if (type != REG_SZ || !dash || (!n.arrival && strncmp(data, "removal ", 8) != 0))
            continue;
        n.number = strtoull(dash + 1, nullptr, 10);
        n.name = name;
        n.path = data + 8;
        notices.push_back(n);
    }
    RegCloseKey(key);
    std::sort(notices.begin(), notices.end(),
              [](const SimNotice& a, const SimNotice& b) { return a.number < b.number; });
    return notices;
}

// Sends the notice as the system does: WM_DEVICECHANGE, lParam a DEV_BROADCAST_DEVICEINTERFACE_A that
// lives until the window has handled it.
void deliverNotice(HWND window, const GUID& interfaceClass, const SimNotice& notice) {
    std::vector<char> record(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + notice.path.size() + 1);
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(record.data());
    broadcast->dbcc_size = DWORD(record.size());
    broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast->dbcc_classguid = interfaceClass;
    memcpy(broadcast->dbcc_name, notice.path.c_str(), notice.path.size() + 1);
    SendMessageA(window, WM_DEVICECHANGE, notice.arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(record.data()));
}

constexpr DWORD NOTIFY_MAGIC = 0x53494D4E;

// One registration. Its watcher thread owns it: Unregister only asks it to end (the thread may be
// sending to the window's thread, which is the one unregistering).
struct SimRegistration {
    DWORD magic;
    HWND window;
    GUID interfaceClass;
    HANDLE stop;
};

DWORD WINAPI watchNotices(void* parameter) {
    SimRegistration* registration = static_cast<SimRegistration*>(parameter);
    HKEY user = nullptr, software = nullptr;
    HANDLE changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (changed && RegOpenCurrentUser(KEY_READ, &user) == ERROR_SUCCESS &&
        RegOpenKeyExA(user, "Software", 0, KEY_NOTIFY | KEY_READ, &software) == ERROR_SUCCESS) {
        std::set<std::string> seen;
        for (const SimNotice& n : readNotices(user))
            seen.insert(n.name); // announced before the registration: not this window's
        for (;;) {
            // Watched first, then read: a notice written in between is not missed.
            RegNotifyChangeKeyValue(software, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                    changed, TRUE);
            std::set<std::string> now;
            for (const SimNotice& n : readNotices(user)) {
                now.insert(n.name);
                if (!seen.count(n.name) && WaitForSingleObject(registration->stop, 0) != WAIT_OBJECT_0)
                    deliverNotice(registration->window, registration->interfaceClass, n);
            }
            seen.swap(now);
            HANDLE handles[2] = {registration->stop, changed};
            if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                break;
        }
    }
    if (software)
        RegCloseKey(software);
    if (user)
        RegCloseKey(user);
    if (changed)
        CloseHandle(changed);
    WaitForSingleObject(registration->stop, INFINITE); // the registration lives until unregistered
    CloseHandle(registration->stop);
    registration->magic = 0;
    delete registration;
    return 0;
}

// Checks the request as the system does: a window, an interface filter of the HID class.
HDEVNOTIFY WINAPI simRegisterNotification(HANDLE recipient, LPVOID filter, DWORD flags) {
    const auto* wanted = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(filter);
    if (flags != DEVICE_NOTIFY_WINDOW_HANDLE || !IsWindow(static_cast<HWND>(recipient)) || !wanted ||
        wanted->dbcc_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) ||
        wanted->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        memcmp(&wanted->dbcc_classguid, &HID_GUID, sizeof(GUID)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* registration = new SimRegistration{NOTIFY_MAGIC, static_cast<HWND>(recipient), HID_GUID,
                                             CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread =
        registration->stop ? CreateThread(nullptr, 0, watchNotices, registration, 0, nullptr) : nullptr;
    if (!thread) {
        if (registration->stop)
            CloseHandle(registration->stop);
        delete registration;
        return nullptr;
    }
    CloseHandle(thread);
    return reinterpret_cast<HDEVNOTIFY>(registration);
}

BOOL WINAPI simUnregisterNotification(HDEVNOTIFY notification) {
    auto* registration = reinterpret_cast<SimRegistration*>(notification);
    if (!registration || registration->magic != NOTIFY_MAGIC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SetEvent(registration->stop); // the watcher ends and frees it
    return TRUE;
}

} // namespace

const DeviceSeam deviceSeam = {
    simGetHidGuid,
    simGetClassDevs,
    simEnumDeviceInterfaces,
    simGetDeviceInterfaceDetail,
    simDestroyDeviceInfoList,
    simGetAttributes,
    simFlushQueue,
    simCancelTransfer,
    simGetPreparsedData,
    simGetCaps,
    simFreePreparsedData,
    simRegisterNotification,
    simUnregisterNotification,
};
