// The product's binding of the device seam: the real SetupAPI and HID library.
#include "sensor/device_seam.h"

const DeviceSeam deviceSeam = {
    HidD_GetHidGuid,
    SetupDiGetClassDevsA,
    SetupDiEnumDeviceInterfaces,
    SetupDiGetDeviceInterfaceDetailA,
    SetupDiDestroyDeviceInfoList,
    HidD_GetAttributes,
    HidD_FlushQueue,
    CancelIoEx,
    HidD_GetPreparsedData,
    HidP_GetCaps,
    HidD_FreePreparsedData,
    RegisterDeviceNotificationA,
    UnregisterDeviceNotification,
};
