#pragma once

using pappl_system_t = struct _pappl_system_s;

namespace vprinter {

class IppPrinter;

// The IPP service's driver of the printer: what the printer says it is and takes, and the
// documents of its jobs made into printer bytes on the service's job threads.
class IppDriver
{
public:
    // The name of the driver, and the device the service believes it prints to.
    static constexpr const char *Name = "receipt";
    static constexpr const char *DeviceUri = "virtual-printer://printer";

    // Gives the service the driver and the filters of pictures, for the printer.
    static void install(pappl_system_t *system, IppPrinter *printer);
};

} // namespace vprinter
