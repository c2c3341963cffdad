// The serial ports from a fake sysfs tree (a USB adapter, a built-in UART, the slots and ttys
// that have no port), what --port names and how a port is shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "zvtool/cli/ports_render.h"
#include "zvtool/ports/port_arg.h"
#include "zvtool/ports/serial_ports.h"

namespace fs = std::filesystem;

namespace {

class FakeTree {
  public:
    FakeTree() {
        char pattern[] = "/tmp/zv-sysfs-XXXXXX";
        root_ = mkdtemp(pattern);
    }
    ~FakeTree() { fs::remove_all(root_); }
    const std::string& root() const { return root_; }

    void File(const std::string& path, const std::string& text) const {
        fs::create_directories(fs::path(root_ + "/" + path).parent_path());
        std::ofstream(root_ + "/" + path) << text << "\n";
    }
    void Link(const std::string& path, const std::string& target) const {
        fs::create_directories(fs::path(root_ + "/" + path).parent_path());
        fs::create_directory_symlink(target, root_ + "/" + path);
    }
    // A tty's class entry: its folder under `device`, linked from /sys/class/tty.
    void Tty(const std::string& device, const std::string& name, const std::string& up) const {
        const std::string entry = "sys/" + device + "/tty/" + name;
        fs::create_directories(root_ + "/" + entry);
        Link("sys/class/tty/" + name, "../../" + device + "/tty/" + name);
        Link(entry + "/device", up);
    }

  private:
    std::string root_;
};

constexpr char kUsb1[] = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
constexpr char kUsb2[] = "devices/pci0000:00/0000:00:14.0/usb1/1-3";
constexpr char kUart[] = "devices/pnp0/00:00/00:00:0/00:00:0.0";

void UsbAdapter(const FakeTree& tree, const std::string& usb, const std::string& tty,
                const std::string& serial) {
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"idVendor", "0403"},
                                                          {"idProduct", "6001"},
                                                          {"serial", serial},
                                                          {"manufacturer", "Maker"},
                                                          {"product", "USB UART"}}) {
        tree.File("sys/" + usb + "/" + name, text);
    }
    const std::string port = usb + "/" + usb.substr(usb.rfind('/') + 1) + ":1.0/" + tty;
    tree.File("sys/" + usb + "/" + usb.substr(usb.rfind('/') + 1) + ":1.0/bInterfaceNumber", "00");
    tree.Link("sys/" + port + "/driver", "../../../../../../../bus/usb-serial/drivers/ftdi_sio");
    tree.Tty(port, tty, "../../../" + tty);
}

// A USB adapter with a stable name, a second one of the same kind, a 16550A behind the
// serial core's own devices, an empty UART slot, a virtual console and the ptmx.
void BuildMachine(const FakeTree& tree) {
    UsbAdapter(tree, kUsb1, "ttyUSB0", "A50285BI");
    UsbAdapter(tree, kUsb2, "ttyUSB1", "B7");
    tree.Link("dev/serial/by-id/usb-Maker_USB_UART_A50285BI-if00-port0", "../../ttyUSB0");
    tree.Link(std::string("sys/") + kUart + "/driver",
              "../../../../../bus/serial-base/drivers/port");
    tree.Link("sys/devices/pnp0/00:00/00:00:0/driver", "../../../../bus/serial-base/drivers/ctrl");
    tree.Link("sys/devices/pnp0/00:00/driver", "../../../bus/pnp/drivers/serial");
    tree.Tty(kUart, "ttyS0", "../../../00:00:0.0");
    tree.File(std::string("sys/") + kUart + "/tty/ttyS0/type", "4");
    tree.Link("sys/devices/platform/serial8250/serial8250:0.1/driver",
              "../../../../bus/serial-base/drivers/port");
    tree.Tty("devices/platform/serial8250/serial8250:0.1", "ttyS1", "../../../serial8250:0.1");
    tree.File("sys/devices/platform/serial8250/serial8250:0.1/tty/ttyS1/type", "0");
    tree.File("sys/devices/virtual/tty/tty0/dev", "4:0");
    tree.Link("sys/class/tty/tty0", "../../devices/virtual/tty/tty0");
    tree.File("sys/devices/virtual/tty/ptmx/dev", "5:2");
    tree.Link("sys/class/tty/ptmx", "../../devices/virtual/tty/ptmx");
}

TEST(SysfsPorts, ListsThePortsWithARealDeviceBehindThem) {
    FakeTree tree;
    BuildMachine(tree);
    const std::vector<TSerialPort> ports = ReadSysfsPorts(tree.root());
    ASSERT_EQ(ports.size(), 3u);
    const struct {
        const char* name;
        const char* driver;
        const char* uart;
        bool usb;
        const char* serial;
        std::size_t stableNames;
    } rows[] = {
        {"ttyS0", "serial", "16550A", false, "", 0},
        {"ttyUSB0", "ftdi_sio", "", true, "A50285BI", 1},
        {"ttyUSB1", "ftdi_sio", "", true, "B7", 0},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].name);
        const TSerialPort& port = ports[i];
        EXPECT_EQ(port.name, rows[i].name);
        EXPECT_EQ(port.device, std::string("/dev/") + rows[i].name);
        EXPECT_EQ(port.driver, rows[i].driver);
        EXPECT_EQ(port.uart, rows[i].uart);
        EXPECT_EQ(port.usb, rows[i].usb);
        EXPECT_EQ(port.serial, rows[i].serial);
        EXPECT_EQ(port.byId.size(), rows[i].stableNames);
        EXPECT_FALSE(port.probed);
    }
    EXPECT_EQ(ports[1].vendorId, "0403");
    EXPECT_EQ(ports[1].productId, "6001");
    EXPECT_EQ(ports[1].manufacturer, "Maker");
    EXPECT_EQ(ports[1].product, "USB UART");
    EXPECT_EQ(ports[1].byId[0], "/dev/serial/by-id/usb-Maker_USB_UART_A50285BI-if00-port0");
}

TEST(SysfsPorts, NoTreeNoPorts) {
    EXPECT_TRUE(ReadSysfsPorts("/nonexistent-root").empty());
}

TEST(PortArg, WhatPortTakes) {
    const struct {
        const char* text;
        bool ok;
        TPortKind kind;
        int number;
        const char* vendor;
        const char* serial;
    } rows[] = {
        {"3", true, TPortKind::kNumber, 3, "", ""},
        {"COM12", true, TPortKind::kNumber, 12, "", ""},
        {"com255", true, TPortKind::kNumber, 255, "", ""},
        {"/dev/ttyUSB0", true, TPortKind::kPath, 0, "", ""},
        {"\\\\.\\COM3", true, TPortKind::kPath, 0, "", ""},
        {"usb:0403:6001", true, TPortKind::kUsb, 0, "0403", ""},
        {"USB:0403:60A1:A5:x", true, TPortKind::kUsb, 0, "0403", "A5:x"},
        {"0", false, TPortKind::kNumber, 0, "", ""},
        {"256", false, TPortKind::kNumber, 0, "", ""},
        {"COM", false, TPortKind::kNumber, 0, "", ""},
        {"ttyUSB0", false, TPortKind::kNumber, 0, "", ""},
        {"usb:403:6001", false, TPortKind::kNumber, 0, "", ""},
        {"usb:0403", false, TPortKind::kNumber, 0, "", ""},
        {"usb:0403:6001:", false, TPortKind::kNumber, 0, "", ""},
        {"usb:04g3:6001", false, TPortKind::kNumber, 0, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        TPortArg name;
        std::string error;
        ASSERT_EQ(ParsePortArg(row.text, &name, &error), row.ok) << error;
        if (!row.ok) {
            EXPECT_NE(error.find("not '" + std::string(row.text) + "'"), std::string::npos);
            continue;
        }
        EXPECT_EQ(name.kind, row.kind);
        EXPECT_EQ(name.number, row.number);
        EXPECT_EQ(name.vendorId, row.vendor);
        EXPECT_EQ(name.serial, row.serial);
    }
}

TEST(PortArg, AUsbIdentityPicksOneAdapter) {
    FakeTree tree;
    BuildMachine(tree);
    const std::vector<TSerialPort> ports = ReadSysfsPorts(tree.root());
    const struct {
        const char* text;
        const char* device;  // nullptr: refused
        const char* error;
    } rows[] = {
        {"usb:0403:6001:A50285BI", "/dev/ttyUSB0", ""},
        {"usb:0403:6001:B7", "/dev/ttyUSB1", ""},
        {"usb:0403:6001", nullptr,
         "2 adapters match usb:0403:6001: name one by its serial number: /dev/ttyUSB0 "
         "(usb:0403:6001:A50285BI), /dev/ttyUSB1 (usb:0403:6001:B7)"},
        {"usb:0403:6001:C9", nullptr,
         "no USB serial adapter usb:0403:6001:C9 is plugged in; "
         "there are: /dev/ttyUSB0"},
        {"usb:1a86:7523", nullptr, "no USB serial adapter usb:1a86:7523 is plugged in"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        TPortArg name;
        std::string error;
        ASSERT_TRUE(ParsePortArg(row.text, &name, &error));
        TSerialPort port;
        ASSERT_EQ(PickUsbPort(ports, name, &port, &error), row.device != nullptr);
        if (row.device != nullptr) {
            EXPECT_EQ(port.device, row.device);
        } else {
            EXPECT_NE(error.find(row.error), std::string::npos) << error;
        }
    }
    TPortArg name;
    std::string error;
    TSerialPort port;
    ASSERT_TRUE(ParsePortArg("usb:0403:6001", &name, &error));
    EXPECT_FALSE(PickUsbPort({}, name, &port, &error));
    EXPECT_NE(error.find("is plugged in (none is)"), std::string::npos) << error;
}

TEST(PortReport, PermissionAndUseAsATechnicianReadsThem) {
    TSerialPort port;
    port.name = "ttyUSB0";
    port.device = "/dev/ttyUSB0";
    port.driver = "ftdi_sio";
    port.usb = true;
    port.vendorId = "0403";
    port.productId = "6001";
    port.serial = "A5";
    port.product = "USB UART";
    port.probed = true;
    port.group = "dialout";
    const struct {
        bool mayOpen;
        bool notInSession;
        const char* group;
        std::vector<std::string> holders;
        const char* line;
    } rows[] = {
        {true, false, "dialout", {}, "free, you may open it"},
        {true,
         false,
         "dialout",
         {"minicom (pid 12)"},
         "in use by minicom (pid 12), you may open it"},
        {false,
         false,
         "dialout",
         {},
         "free; you may not open /dev/ttyUSB0: join the group dialout (sudo usermod -aG dialout "
         "$USER), then log out and in again"},
        {false,
         true,
         "dialout",
         {},
         "you may not open /dev/ttyUSB0 yet: you were added to the group dialout after this "
         "login began; log out and in again"},
        {false, false, "", {}, "no group may open it; ask the administrator"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        port.mayOpen = row.mayOpen;
        port.inGroupNotSession = row.notInSession;
        port.group = row.group;
        port.holders = row.holders;
        const std::string text = PortText(port);
        const std::string head =
            "/dev/ttyUSB0    ftdi_sio    usb:0403:6001:A5  USB UART\n                ";
        EXPECT_EQ(text.rfind(head, 0), 0u) << text;
        EXPECT_NE(text.find(row.line), std::string::npos) << text;
        EXPECT_NE(
            PortJson(port).find(std::string("\"may_open\": ") + (row.mayOpen ? "true" : "false")),
            std::string::npos);
    }
    port.link = "COM1";
    EXPECT_EQ(PortText(port).rfind("COM1 -> /dev/ttyUSB0 ftdi_sio", 0), 0u) << PortText(port);
}

}  // namespace
