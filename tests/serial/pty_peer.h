#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "serial/com_port.h"

using Bytes = std::vector<std::uint8_t>;

inline long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Runs `body` in a forked child and returns its exit status, or -1 when it did not exit.
// The child leaves by _exit unless `body` itself calls exit, so it runs no exit handlers
// of the test process by accident.
inline int RunInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// A fresh working directory with a pseudo-terminal whose master side the test holds and
// plays the unit on; the port under test reaches the slave through links made by Link().
class PtyPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        // A write that flow control holds back waits for ever; a fault of that kind ends
        // the test process instead of hanging the suite.
        alarm(10);
        oldDir = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "port.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        std::filesystem::current_path(dir);
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        slave = ptsname(master);
    }

    void TearDown() override {
        ComClose();
        CloseMaster();
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(dir);
        alarm(0);
    }

    void Link(const char* name) { ASSERT_EQ(symlink(slave.c_str(), name), 0) << name; }

    // COM1 linked to the slave and opened by the port under test.
    void OpenCom1() {
        Link("COM1");
        ASSERT_EQ(ComInitialise(), 0);
    }

    void CloseMaster() {
        if (master >= 0) {
            close(master);
            master = -1;
        }
    }

    void Send(const Bytes& bytes) {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What the slave side wrote within `timeoutMs`, up to `count` bytes.
    Bytes Receive(std::size_t count, int timeoutMs) {
        Bytes got;
        const auto start = std::chrono::steady_clock::now();
        std::uint8_t chunk[512];
        while (got.size() < count) {
            const long long left = timeoutMs - MsSince(start);
            pollfd ready{master, POLLIN, 0};
            if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) {
                break;
            }
            const ssize_t n = read(master, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }

    std::filesystem::path oldDir;
    std::filesystem::path dir;
    int master = -1;
    std::string slave;
};
