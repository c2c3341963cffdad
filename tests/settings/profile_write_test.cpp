#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "settings/profile.h"
#include "tests/common/no_fallocate.h"
#include "tests/common/scratch_dir.h"

namespace {

using namespace std::string_literals;

const std::string kBom = "\xEF\xBB\xBF";

struct WriteCase {
    const char* name;
    std::optional<std::string> before;  // bytes of "zordOUT.INI"; none: no file
    std::string after;                  // after writing ComStatus=11
};

void PrintTo(const WriteCase& row, std::ostream* out) {
    *out << row.name;
}

class ProfileWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWriteTest, SetsComStatusKeepingEveryOtherByte) {
    ScratchDir dir;
    if (GetParam().before) {
        WriteBytes(kStatusFile, *GetParam().before);
    }
    ProfileWriteString(kSection, "ComStatus", "11", kStatusFile);
    EXPECT_EQ(ReadBytes(kStatusFile), GetParam().after);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{kStatusFile});
}

// Where no second copy can be made beside the file (here: its name leaves no room for a
// longer one; as an ordinary user also a read-only directory), the file is rewritten in
// place, to the same bytes, also on a file system without fallocate.
TEST_P(ProfileWriteTest, SameBytesWhenOnlyAnInPlaceRewriteCanBeDone) {
    if (!GetParam().before) {
        GTEST_SKIP() << "a file that is not there cannot be rewritten in place";
    }
    for (const Fallocate support :
         {Fallocate::kSupported, Fallocate::kEmulatedByReading, Fallocate::kNotSupported}) {
        ScratchDir dir;
        const std::string longName(250, 'z');
        WriteBytes(longName.c_str(), *GetParam().before);
        ASSERT_EQ(symlink(longName.c_str(), kStatusFile), 0);
        SetFallocate(support);
        ProfileWriteString(kSection, "ComStatus", "11", kStatusFile);
        SetFallocate(Fallocate::kSupported);
        EXPECT_EQ(ReadBytes(longName.c_str()), GetParam().after) << static_cast<int>(support);
        EXPECT_EQ(dir.Entries().size(), 2U);
    }
}

const std::string kBusyFile =
    "; written by the host\r\n"
    "[Host]\r\n"
    "ComStatus=99\r\n"
    "\r\n"
    "[Zorvek PC interface driver]\n"
    "  ZorVekDriverRunning = 1 \r\n"
    "; ComStatus=98\r\n"
    "\r\n"
    "COMSTATUS =  4  \r\n"
    "ComStatus=5\r\n"
    "NowTransferingNo=17\r\n"
    "\r\n"
    "[Zorvek PC interface driver]\r\n"
    "ComStatus=6\r\n";

INSTANTIATE_TEST_SUITE_P(
    Values, ProfileWriteTest,
    ::testing::Values(
        WriteCase{"NewFile", std::nullopt, "[Zorvek PC interface driver]\r\nComStatus=11\r\n"},
        WriteCase{"EmptyFile", "", "[Zorvek PC interface driver]\r\nComStatus=11\r\n"},
        WriteCase{"ReplacesFirstMatchOnlyKeepingTheRest", kBusyFile,
                  "; written by the host\r\n"
                  "[Host]\r\n"
                  "ComStatus=99\r\n"
                  "\r\n"
                  "[Zorvek PC interface driver]\n"
                  "  ZorVekDriverRunning = 1 \r\n"
                  "; ComStatus=98\r\n"
                  "\r\n"
                  "COMSTATUS =  11  \r\n"
                  "ComStatus=5\r\n"
                  "NowTransferingNo=17\r\n"
                  "\r\n"
                  "[Zorvek PC interface driver]\r\n"
                  "ComStatus=6\r\n"},
        WriteCase{"ReplacesEmptyValue", SectionWith("ComStatus=\r\nA=1\r\n"),
                  SectionWith("ComStatus=11\r\nA=1\r\n")},
        WriteCase{"ReplacesLongerValue", SectionWith("ComStatus=123456\r\nA=1\r\n"),
                  SectionWith("ComStatus=11\r\nA=1\r\n")},
        WriteCase{"ReplacesQuotedValue", SectionWith("ComStatus=\"3\"\r\n"),
                  SectionWith("ComStatus=11\r\n")},
        WriteCase{"ReplacesLastLineWithoutLineEnd", SectionWith("ComStatus=3"),
                  SectionWith("ComStatus=11")},
        WriteCase{"ReplacesInCrOnlyFile", "[Zorvek PC interface driver]\rComStatus=3\rA=1\r",
                  "[Zorvek PC interface driver]\rComStatus=11\rA=1\r"},
        WriteCase{"ReplacesAfterByteOrderMark", kBom + SectionWith("ComStatus=3\r\n"),
                  kBom + SectionWith("ComStatus=11\r\n")},
        WriteCase{"AddsKeyAfterLastNonBlankLineOfSection",
                  SectionWith("A=1\r\n; note\r\n\r\n  \r\n[Other]\r\nComStatus=2\r\n"),
                  SectionWith("A=1\r\n; note\r\nComStatus=11\r\n\r\n  \r\n[Other]\r\n"
                              "ComStatus=2\r\n")},
        WriteCase{"AddsKeyToFirstOfTwoSections",
                  SectionWith("A=1\r\n[zorvek pc interface driver]\r\nComStatus=2\r\n"),
                  SectionWith("A=1\r\nComStatus=11\r\n[zorvek pc interface driver]\r\n"
                              "ComStatus=2\r\n")},
        WriteCase{"AddsKeyUnderLoneHeader", SectionWith("\r\n"),
                  SectionWith("ComStatus=11\r\n\r\n")},
        WriteCase{"AddsKeyInLfOnlyFile", "[Zorvek PC interface driver]\nA=1\n\n[B]\n",
                  "[Zorvek PC interface driver]\nA=1\nComStatus=11\r\n\n[B]\n"},
        WriteCase{"AddsLineEndBeforeKey", SectionWith("A=1"),
                  SectionWith("A=1\r\nComStatus=11\r\n")},
        WriteCase{"AddsSectionAtEnd", "[Other]\r\nComStatus=2\r\n",
                  "[Other]\r\nComStatus=2\r\n" + SectionWith("ComStatus=11\r\n")},
        WriteCase{"AddsSectionAfterTrailingBlankLines", "[Other]\r\nA=2\r\n\r\n",
                  "[Other]\r\nA=2\r\n\r\n" + SectionWith("ComStatus=11\r\n")},
        WriteCase{"AddsLineEndBeforeSection", "[Other]\r\nA=2",
                  "[Other]\r\nA=2\r\n" + SectionWith("ComStatus=11\r\n")},
        WriteCase{"AddsSectionAfterLoneByteOrderMark", kBom,
                  kBom + SectionWith("ComStatus=11\r\n")},
        WriteCase{"KeepsBinaryBytes", "\xff\0\x1a\r\n"s,
                  "\xff\0\x1a\r\n"s + SectionWith("ComStatus=11\r\n")}),
    [](const ::testing::TestParamInfo<WriteCase>& row) { return row.param.name; });

TEST(ProfileWrite, KeepsTheFileMode) {
    ScratchDir dir;
    WriteBytes(kStatusFile, SectionWith("ComStatus=3\r\n"));
    ASSERT_EQ(chmod(kStatusFile, 0640), 0);
    ProfileWriteString(kSection, "ComStatus", "4", kStatusFile);
    struct stat info {};
    ASSERT_EQ(stat(kStatusFile, &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(kStatusFile), SectionWith("ComStatus=4\r\n"));
}

TEST(ProfileWrite, FollowsSymbolicLink) {
    ScratchDir dir;
    ASSERT_EQ(mkdir("elsewhere", 0755), 0);
    WriteBytes("elsewhere/status.ini", SectionWith("ComStatus=3\r\n"));
    ASSERT_EQ(symlink("elsewhere/status.ini", kStatusFile), 0);
    ProfileWriteString(kSection, "ComStatus", "4", kStatusFile);
    struct stat info {};
    ASSERT_EQ(lstat(kStatusFile, &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadBytes("elsewhere/status.ini"), SectionWith("ComStatus=4\r\n"));
}

// Nothing can be written where a directory bears the name: the write is dropped quietly
// and leaves nothing behind.
TEST(ProfileWrite, DirectoryInTheWayIsLeftAlone) {
    ScratchDir dir;
    ASSERT_EQ(mkdir(kStatusFile, 0755), 0);
    WriteBytes("zordOUT.INI/inside", "x");
    ProfileWriteString(kSection, "ComStatus", "4", kStatusFile);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{kStatusFile});
    EXPECT_EQ(ReadBytes("zordOUT.INI/inside"), "x");
}

// A host polls the status file while the driver rewrites it; every read must find the key.
TEST(ProfileWrite, PollingReaderAlwaysFindsTheKey) {
    ScratchDir dir;
    WriteBytes(kStatusFile, "; " + std::string(20000, '-') + "\r\n");
    ProfileWriteString(kSection, "NowTransferingNo", "0", kStatusFile);
    std::atomic<bool> done{false};
    int reads = 0;
    int misses = 0;
    std::thread host([&] {
        while (!done.load()) {
            const std::uint32_t value =
                ProfileGetInt(kSection, "NowTransferingNo", -1, kStatusFile);
            ++reads;
            misses += value > 1000 ? 1 : 0;
        }
    });
    for (int i = 1; i <= 1000; ++i) {
        ProfileWriteString(kSection, "NowTransferingNo", std::to_string(i).c_str(), kStatusFile);
    }
    done = true;
    host.join();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(misses, 0) << "of " << reads << " reads";
    EXPECT_EQ(ProfileGetInt(kSection, "NowTransferingNo", -1, kStatusFile), 1000u);
}

// Two drivers may write the same status file at once (a second one started while the first
// runs); neither may lose the other's keys.
TEST(ProfileWrite, WritersInOtherProcessesLoseNoKey) {
    ScratchDir dir;
    constexpr int kWriters = 6;
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    pid_t children[kWriters];
    for (int n = 0; n < kWriters; ++n) {
        children[n] = fork();
        ASSERT_GE(children[n], 0);
        if (children[n] == 0) {
            close(release[1]);
            char byte;
            const bool released = read(release[0], &byte, 1) == 0;
            const std::string key = "Writer" + std::to_string(n);
            for (int i = 1; released && i <= 50; ++i) {
                ProfileWriteString(kSection, key.c_str(), std::to_string(i).c_str(), kStatusFile);
            }
            _exit(released ? 0 : 1);
        }
    }
    close(release[0]);
    close(release[1]);  // starts all writers at once
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0);
    }
    for (int n = 0; n < kWriters; ++n) {
        const std::string key = "Writer" + std::to_string(n);
        EXPECT_EQ(ProfileGetInt(kSection, key.c_str(), -1, kStatusFile), 50u) << key;
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{kStatusFile});
}

}  // namespace
