#pragma once
// What a device interface's path says about the device behind it. A HID interface path carries the
// hardware identifiers of its device, e.g.
//   \\?\HID#VID_0925&PID_0300#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}
// so a device notification can be told apart by its path alone, before anything is opened.
#include <cstdint>
#include <string>

// True when the path names VendorID `vendorId` and ProductID `productId` ("VID_xxxx" and
// "PID_xxxx", four hexadecimal digits each, in any letter case, not followed by a further hex digit).
bool devicePathNames(const std::string& path, uint16_t vendorId, uint16_t productId);

// Two paths name the same interface: the system compares them without regard to letter case.
bool sameDevicePath(const std::string& a, const std::string& b);
