// Which device a Comport setting opens, who else may open it, and the line it leaves.
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>

#include <fstream>

#include "tests/serial/pty_peer.h"

namespace {

using PortOpen = PtyPeer;

constexpr uid_t kNobody = 65534;

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

void WriteSettings(const char* comportLine) {
    std::ofstream out("zordrive.INI", std::ios::binary);
    out << "[Zorvek PC interface driver]\r\n" << comportLine << "\r\n";
}

int OpenAsNobody() {
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
        return 99;
    }
    return ComInitialise();
}

struct OpenCase {
    const char* name;
    const char* comportLine;  // nullptr: no settings file, Comport defaults to 1
    const char* entry;        // the directory entry made for the port
    enum { kPtyLink, kRegularFile, kDirectory, kDanglingLink } kind;
    int expected;
};

void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.name;
}

const OpenCase kOpenCases[] = {
    {"DefaultIsCom1", nullptr, "COM1", OpenCase::kPtyLink, 0},
    {"Comport3", "Comport=3", "COM3", OpenCase::kPtyLink, 0},
    {"Comport259IsCom3", "Comport=259", "COM3", OpenCase::kPtyLink, 0},
    {"Com0NeverExists", "Comport=0", "COM0", OpenCase::kPtyLink, 1},
    {"NoEntryAndNoDevice", "Comport=200", "COM1", OpenCase::kPtyLink, 1},
    {"RegularFile", nullptr, "COM1", OpenCase::kRegularFile, 1},
    {"Directory", nullptr, "COM1", OpenCase::kDirectory, 1},
    {"DanglingLink", nullptr, "COM1", OpenCase::kDanglingLink, 1},
};

class PortOpenCase : public PtyPeer, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(PortOpenCase, OpensTheNamedTerminalOnlyAndLeaksNothing) {
    const OpenCase& c = GetParam();
    if (c.comportLine != nullptr) {
        WriteSettings(c.comportLine);
    }
    switch (c.kind) {
        case OpenCase::kPtyLink:
            Link(c.entry);
            break;
        case OpenCase::kRegularFile:
            std::ofstream(c.entry) << "not a port";
            break;
        case OpenCase::kDirectory:
            ASSERT_EQ(mkdir(c.entry, 0755), 0);
            break;
        case OpenCase::kDanglingLink:
            ASSERT_EQ(symlink("/nonexistent/ttyUSB0", c.entry), 0);
            break;
    }
    const std::size_t before = OpenDescriptors();
    ASSERT_EQ(ComInitialise(), c.expected);
    if (c.expected != 0) {
        EXPECT_EQ(OpenDescriptors(), before);
        return;
    }
    Send({0x42});
    std::uint8_t buffer[2] = {};
    EXPECT_EQ(ComRead(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0x42);
}

INSTANTIATE_TEST_SUITE_P(Entries, PortOpenCase, ::testing::ValuesIn(kOpenCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PortOpen, HeldPortRefusesASecondDriverEvenAsRoot) {
    ASSERT_EQ(chmod(slave.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    OpenCom1();
    EXPECT_EQ(RunInChild([] { return ComInitialise(); }), 1);
    EXPECT_EQ(RunInChild(OpenAsNobody), 1);

    Send({0x13});
    std::uint8_t buffer[2] = {};
    EXPECT_EQ(ComRead(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0x13);
}

// A pseudo-terminal outlives the driver while its master stays open; the exclusive flag
// must not outlive the driver with it.
TEST_F(PortOpen, OrdinaryUserOpensThePortAfterTheDriverEnded) {
    ASSERT_EQ(chmod(slave.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    Link("COM1");
    EXPECT_EQ(RunInChild([] {
                  if (ComInitialise() != 0) {
                      return 2;
                  }
                  std::exit(0);
              }),
              0);
    EXPECT_EQ(RunInChild(OpenAsNobody), 0);
}

// Every flag the driver must override starts in the state that would hurt it most.
void MakeCookedAndHostile(int master, bool hardwareFlow) {
    termios line{};
    ASSERT_EQ(tcgetattr(master, &line), 0);
    line.c_iflag |= IXON | IXOFF | IXANY | ICRNL | INLCR | ISTRIP | PARMRK | INPCK | BRKINT;
    line.c_oflag |= OPOST | ONLCR | OCRNL;
    line.c_lflag |= ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN;
    line.c_cflag |= CSTOPB | HUPCL;
    if (hardwareFlow) {
        line.c_cflag |= CRTSCTS;
    } else {
        line.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    }
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    ASSERT_EQ(cfsetspeed(&line, B9600), 0);
    ASSERT_EQ(tcsetattr(master, TCSANOW, &line), 0);
}

class PortLine : public PtyPeer, public ::testing::WithParamInterface<bool> {};

TEST_P(PortLine, Is2400Baud8N1RawAndKeepsHardwareFlowControl) {
    const bool hardwareFlow = GetParam();
    MakeCookedAndHostile(master, hardwareFlow);
    OpenCom1();

    termios line{};
    ASSERT_EQ(tcgetattr(master, &line), 0);  // a master reports its slave's settings
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B2400));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | HUPCL | CLOCAL | CREAD),
              static_cast<tcflag_t>(CS8 | CLOCAL | CREAD));
    EXPECT_EQ((line.c_cflag & CRTSCTS) != 0, hardwareFlow);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);

    // Flow-control and line-editing characters first, then every byte value.
    Bytes data = {0x11, 0x13, 0x0D, 0x0A, 0x03, 0x1A, 0xFF, 0x00};
    for (int value = 0; value < 256; ++value) {
        data.push_back(static_cast<std::uint8_t>(value));
    }
    const auto count = static_cast<std::uint32_t>(data.size());
    Send(data);
    Bytes received(data.size() + 1, 0xEE);
    EXPECT_EQ(ComRead(received.data(), count), count);
    EXPECT_EQ(received.back(), 0);
    received.pop_back();
    EXPECT_EQ(received, data);

    EXPECT_EQ(ComWrite(data.data(), count), count);
    EXPECT_EQ(Receive(data.size() + 1, 300), data);  // nothing echoed, nothing added
}

INSTANTIATE_TEST_SUITE_P(HardwareFlow, PortLine, ::testing::Bool(),
                         [](const auto& row) { return row.param ? "On" : "Off"; });

}  // namespace
