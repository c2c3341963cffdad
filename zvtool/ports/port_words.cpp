#include "zvtool/ports/port_words.h"

#include <string>

#include "zvtool/ports/port_arg.h"

std::string PortIdentity(const TSerialPort& port) {
    std::string text;
    if (port.usb) {
        text = UsbIdentity(port);
        for (const std::string* part : {&port.manufacturer, &port.product}) {
            text += part->empty() ? "" : "  " + *part;
        }
    } else if (!port.uart.empty()) {
        text = port.uart + " UART";
    }
    if (!port.description.empty()) {
        text += (text.empty() ? "" : "  ") + port.description;
    }
    return text;
}

std::string PortAvailability(const TSerialPort& port) {
    if (!port.probed) {
        return port.device.empty() || port.name.empty() ? "no such device" : "not probed";
    }
    std::string text = "free";
    if (!port.holders.empty()) {
        text = "in use by ";
        for (std::size_t i = 0; i < port.holders.size(); ++i) {
            text += (i == 0 ? "" : ", ") + port.holders[i];
        }
    }
    const std::string advice = PermissionAdvice(port);
    return text + (advice.empty() ? ", you may open it" : "; " + advice);
}
