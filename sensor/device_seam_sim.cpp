// Placeholder: the simulated-board binding is built with the simulated board.
#include "sensor/device_seam.h"

const DeviceSeam deviceSeam = {
    HidD_GetHidGuid,
    SetupDiGetClassDevsA,
    SetupDiEnumDeviceInterfaces,
    SetupDiGetDeviceInterfaceDetailA,
    SetupDiDestroyDeviceInfoList,
    HidD_GetAttributes,
    HidD_FlushQueue,
};
