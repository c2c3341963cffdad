// The minizv-sim program on a pseudo-terminal, driven through its link as the driver would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim_bytes.h"
#include "version.h"

namespace {

using Clock = std::chrono::steady_clock;

// A scratch directory for one test, removed with what the test left in it.
struct TempDir {
    std::string path;
    TempDir() {
        std::string pattern = testing::TempDir() + "minizv-sim-XXXXXX";
        path = mkdtemp(&pattern[0]) != nullptr ? pattern : "";
    }
    ~TempDir() {
        for (const char* name : {"COM1", "COM2", "store.txt", "store.txt.tmp", "store2.txt"}) {
            unlink((path + "/" + name).c_str());
        }
        rmdir(path.c_str());
    }
};

// The program as a child process with its stdout on a pipe.
struct Sim {
    pid_t pid = -1;
    int out = -1;

    explicit Sim(const std::vector<std::string>& args) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], STDOUT_FILENO);
            close(pipeFds[0]);
            close(pipeFds[1]);
            std::vector<char*> argv = {const_cast<char*>(MINIZV_SIM_PATH)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(MINIZV_SIM_PATH, argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        out = pipeFds[0];
    }
    ~Sim() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0) {
            close(out);
        }
    }

    // Its stdout up to the first line end, or what came within `ms`.
    std::string Line(int ms = 5000) {
        std::string line;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        char c = 0;
        while (Clock::now() < deadline) {
            pollfd fd = {out, POLLIN, 0};
            if (poll(&fd, 1, 50) == 1 && read(out, &c, 1) == 1) {
                if (c == '\n') {
                    break;
                }
                line += c;
            }
        }
        return line;
    }

    // Its stdout up to its end, or what came within `ms`.
    std::string Rest(int ms = 5000) {
        std::string text;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        char buffer[512];
        while (Clock::now() < deadline) {
            pollfd fd = {out, POLLIN, 0};
            if (poll(&fd, 1, 50) != 1) {
                continue;
            }
            const ssize_t n = read(out, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    // Its exit status, or -1 when it is still running after `ms`.
    int Wait(int ms = 3000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }
};

// The driver's end: writes frames, reads answers.
struct Port {
    int fd;
    explicit Port(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    explicit Port(int openFd) : fd(openFd) {}
    ~Port() {
        if (fd >= 0) {
            close(fd);
        }
    }
    void Send(const Bytes& bytes) const {
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes came or `ms` passed.
    Bytes Receive(std::size_t count, int ms = 2000) const {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < count && Clock::now() < deadline) {
            pollfd p = {fd, POLLIN, 0};
            std::uint8_t buffer[256];
            if (poll(&p, 1, 20) == 1) {
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    got.insert(got.end(), buffer, buffer + n);
                }
            }
        }
        return got;
    }
};

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

const Bytes kVersionAnswer = Hex("AA 01 01 02 00 55  AA 01 03 02 01 00 07 00 55");

TEST(SimProgram, ServesALinkedPseudoTerminalAcrossDriverRunsAndRemovesTheLinkOnSigterm) {
    TempDir dir;
    const std::string link = dir.path + "/COM1";
    Sim sim({"--link", link});
    ASSERT_EQ(sim.Line(), "ready " + link);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target).substr(0, 9), "/dev/pts/");
    for (int run = 1; run <= 2; ++run) {
        Port port(link);
        ASSERT_GE(port.fd, 0);
        port.Send({0xFF});
        usleep(50000);
        port.Send(Frame(1, Packet(1, 0)));
        const Bytes want = Hex(run == 1 ? "AA 01 01 02 00 55  AA 01 03 02 01 00 07 00 55"
                                        : "AA 01 01 02 00 55  AA 02 03 02 01 00 08 00 55");
        EXPECT_EQ(port.Receive(want.size()), want) << "run " << run;
    }
    kill(sim.pid, SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(Exists(link));
}

TEST(SimProgram, ReplacesAnExistingLinkButNotAFile) {
    TempDir dir;
    const std::string link = dir.path + "/COM1";
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
    {
        Sim sim({"--link", link});
        ASSERT_EQ(sim.Line(), "ready " + link);
        Port port(link);
        port.Send(Frame(1, Packet(1, 0)));
        EXPECT_EQ(port.Receive(kVersionAnswer.size()), kVersionAnswer);
        kill(sim.pid, SIGINT);
        EXPECT_EQ(sim.Wait(), 0);
    }
    std::ofstream(link) << "a file";
    Sim sim({"--link", link});
    EXPECT_EQ(sim.Wait(), 1);
    std::ifstream in(link);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "a file");
}

TEST(SimProgram, SendIsSavedToTheStoreAndExitAfterEndsTheRunOnceAnswered) {
    TempDir dir;
    const std::string link = dir.path + "/COM1";
    const std::string store = dir.path + "/store.txt";
    Sim sim({"--link", link, "--store", store, "--exit-after", "2"});
    ASSERT_EQ(sim.Line(), "ready " + link);
    Port port(link);
    port.Send(Frame(1, Packet(9, 42, Bytes(130, 0x13))));
    EXPECT_EQ(port.Receive(6 + 8), Hex("AA 01 01 02 00 55  AA 01 02 0A 00 0D 00 55"));
    port.Send(Frame(2, Packet(7, 42)));
    EXPECT_EQ(port.Receive(6 + 138),
              Concat(Hex("AA 02 01 03 00 55"), Frame(2, Concat({8, 0}, Bytes(130, 0x13)))));
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(Exists(link));

    Sim print({"--store", store, "--print-record", "42"});
    std::string want = "42";
    for (int k = 0; k < 130; ++k) {
        want += " 19";
    }
    EXPECT_EQ(print.Line(), want);
    EXPECT_EQ(print.Wait(), 0);
}

// A bench: two units in one program, each on its own link with its own store; what one
// unit is sent stays in its store, and a stop request ends both and removes both links.
TEST(SimProgram, SeveralLinksAreSeveralUnits) {
    TempDir dir;
    const std::string links[] = {dir.path + "/COM1", dir.path + "/COM2"};
    const std::string stores[] = {dir.path + "/store.txt", dir.path + "/store2.txt"};
    Sim sim({"--link", links[0], "--store", stores[0], "--link", links[1], "--store", stores[1]});
    const std::string ready[] = {sim.Line(), sim.Line()};
    EXPECT_TRUE((ready[0] == "ready " + links[0] && ready[1] == "ready " + links[1]) ||
                (ready[0] == "ready " + links[1] && ready[1] == "ready " + links[0]))
        << ready[0] << " / " << ready[1];
    {
        Port first(links[0]);
        Port second(links[1]);
        first.Send(Frame(1, Packet(9, 42, Bytes(130, 0x13))));
        EXPECT_EQ(first.Receive(6 + 8), Hex("AA 01 01 02 00 55  AA 01 02 0A 00 0D 00 55"));
        // The second unit's frame counter and records are its own.
        second.Send(Frame(1, Packet(1, 0)));
        EXPECT_EQ(second.Receive(kVersionAnswer.size()), kVersionAnswer);
    }
    kill(sim.pid, SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    for (const std::string& link : links) {
        EXPECT_FALSE(Exists(link)) << link;
    }
    EXPECT_TRUE(Exists(stores[0]));
    EXPECT_FALSE(Exists(stores[1]));
}

// Any terminal serves as a device; here the test holds a pseudo-terminal's master as the
// far end of the cable.
TEST(SimProgram, DeviceLineIsServedAsIs) {
    const Port cable(posix_openpt(O_RDWR | O_NOCTTY));
    ASSERT_GE(cable.fd, 0);
    ASSERT_EQ(grantpt(cable.fd), 0);
    ASSERT_EQ(unlockpt(cable.fd), 0);
    const std::string device = ptsname(cable.fd);
    Sim sim({"--device", device, "--version", "4,2"});
    ASSERT_EQ(sim.Line(), "ready " + device);
    cable.Send(Frame(1, Packet(1, 0)));
    EXPECT_EQ(cable.Receive(15), Hex("AA 01 01 02 00 55  AA 01 03 02 04 02 0C 00 55"));
    kill(sim.pid, SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimProgram, PaceSendsAtTheLineRateOf2400Baud) {
    TempDir dir;
    const std::string link = dir.path + "/COM1";
    Sim sim({"--link", link, "--pace"});
    ASSERT_EQ(sim.Line(), "ready " + link);
    Port port(link);
    const auto start = Clock::now();
    port.Send(Frame(1, Packet(7, 1)));
    const Bytes first = port.Receive(1);
    const auto firstAt = Clock::now();
    const Bytes rest = port.Receive(6 + 138 - 1);
    const auto lastAt = Clock::now();
    EXPECT_EQ(first.size() + rest.size(), 6u + 138u);
    // 143 byte times of 4.17 ms after the first byte: about 596 ms.
    EXPECT_LT(firstAt - start, std::chrono::milliseconds(100));
    EXPECT_GT(lastAt - firstAt, std::chrono::milliseconds(570));
    EXPECT_LT(lastAt - firstAt, std::chrono::milliseconds(900));
}

TEST(SimProgram, HelpNamesEveryOptionAndABadOptionExitsWith2) {
    Sim help({"--help"});
    const std::string text = help.Rest();
    EXPECT_EQ(help.Wait(), 0);
    for (const char* option : {"--link", "--device", "--store", "--unit-version", "--version",
                               "--print-record", "--silent", "--no-ack", "--bad-ack",
                               "--wrong-reply", "--damage-reply", "--truncate-reply", "--status",
                               "--stray", "--pace", "--exit-after", "--trace", "--help"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    Sim bad({"--no-ack"});
    EXPECT_EQ(bad.Wait(), 2);
    Sim version({"--version"});
    EXPECT_EQ(version.Rest(), std::string("minizv-sim ") + ZV_VERSION + "\n");
    EXPECT_EQ(version.Wait(), 0);
}

}  // namespace
