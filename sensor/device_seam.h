#pragma once
// The one seam of the program: device enumeration, the HID attribute, capability and flush calls,
// the cancellation of a transfer on the device (a driver decides whether and when it lands), and the
// notifications of device interfaces that come and go. The product binds
// the real SetupAPI and HID functions (device_seam_real.cpp); the simulated-board build binds the
// simulated devices (device_seam_sim.cpp). findSensor and everything after it are the same code.
#include <windows.h>
#include <setupapi.h>
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

struct DeviceSeam {
    void(NTAPI* getHidGuid)(LPGUID);
    HDEVINFO(WINAPI* getClassDevs)(const GUID*, PCSTR, HWND, DWORD);
    BOOL(WINAPI* enumDeviceInterfaces)
    (HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA);
    BOOL(WINAPI* getDeviceInterfaceDetail)
    (HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
     PSP_DEVINFO_DATA);
    BOOL(WINAPI* destroyDeviceInfoList)(HDEVINFO);
    BOOLEAN(NTAPI* getAttributes)(HANDLE, PHIDD_ATTRIBUTES);
    BOOLEAN(NTAPI* flushQueue)(HANDLE);                 // discards input reports already waiting
    BOOL(WINAPI* cancelTransfer)(HANDLE, LPOVERLAPPED); // asks for a pending transfer to end (CancelIoEx)
    // The collection's report sizes: HidD_GetPreparsedData, HidP_GetCaps, HidD_FreePreparsedData.
    BOOLEAN(NTAPI* getPreparsedData)(HANDLE, PHIDP_PREPARSED_DATA*);
    NTSTATUS(NTAPI* getCaps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
    BOOLEAN(NTAPI* freePreparsedData)(PHIDP_PREPARSED_DATA);
    // WM_DEVICECHANGE with DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE and the interface's path, for
    // the interface class of the filter (RegisterDeviceNotificationA, UnregisterDeviceNotification).
    HDEVNOTIFY(WINAPI* registerNotification)(HANDLE, LPVOID, DWORD);
    BOOL(WINAPI* unregisterNotification)(HDEVNOTIFY);
};

extern const DeviceSeam deviceSeam;
