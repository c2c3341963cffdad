#include "zvtool/cli/ports_render.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/json.h"
#include "zvtool/ports/port_arg.h"
#include "zvtool/ports/port_words.h"

namespace {

constexpr std::size_t kNameColumn = 16;
constexpr std::size_t kDriverColumn = 12;
const std::string kIndent(kNameColumn, ' ');

std::string Padded(std::string text, std::size_t width) {
    text.resize(text.size() < width ? width : text.size() + 1, ' ');
    return text;
}

}  // namespace

std::string PortText(const TSerialPort& port) {
    const std::string head = port.link.empty() ? port.device : port.link + " -> " + port.device;
    std::string text = Padded(head, kNameColumn);
    const std::string identity = PortIdentity(port);
    text += identity.empty() ? port.driver : Padded(port.driver, kDriverColumn) + identity;
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    text += '\n';
    for (const std::string& name : port.byId) {
        text += kIndent + "by id: " + name + '\n';
    }
    return text + kIndent + PortAvailability(port) + '\n';
}

std::string PortJson(const TSerialPort& port) {
    TJsonObject json;
    json.String("name", port.name)
        .String("device", port.device)
        .StringOrNull("link", port.link)
        .StringOrNull("driver", port.driver)
        .StringOrNull("uart", port.uart)
        .Bool("usb", port.usb)
        .StringOrNull("vendor_id", port.vendorId)
        .StringOrNull("product_id", port.productId)
        .StringOrNull("serial", port.serial)
        .StringOrNull("manufacturer", port.manufacturer)
        .StringOrNull("product", port.product)
        .StringOrNull("description", port.description)
        .Raw("by_id", JsonStrings(port.byId))
        .Raw("in_use", !port.probed           ? "null"
                       : port.holders.empty() ? "false"
                                              : "true")
        .Raw("holders", JsonStrings(port.holders))
        .Raw("may_open", !port.probed   ? "null"
                         : port.mayOpen ? "true"
                                        : "false")
        .StringOrNull("group", port.group)
        .StringOrNull("advice", PermissionAdvice(port));
    return json.Text();
}

std::string PortsText(const std::vector<TSerialPort>& ports,
                      const std::vector<TSerialPort>& folderPorts, const std::string& folder) {
    std::string text = ports.empty() ? "no serial ports found\n" : "";
    for (const TSerialPort& port : ports) {
        text += PortText(port);
    }
    if (!folderPorts.empty()) {
        text += "\nthe driver's ports in " + folder + ":\n";
        for (const TSerialPort& port : folderPorts) {
            text += PortText(port);
        }
    }
    return text;
}
