// The driver's writers in a folder others may write: "fromZv.dat", the trace and "zordOUT.INI"
// never write through a symbolic link another account made, and still follow the user's own.
// Another account's link is made by root with lchown, so the rows need root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "driver/jobs.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "settings/profile.h"
#include "tests/driver/driver_env.h"

namespace {

using drivertest::DriverTest;

constexpr uid_t kOther = 65534;  // nobody
const std::string kVictim = "the victim's notes\n";

struct Row {
    const char* name;          // the file the driver writes
    std::function<int()> run;  // what writes it; its result code, or 0
    int refusedResult;         // the result when the link is another account's
    int ownResult;             // the result through the user's own link
    bool linkReplaced;         // another's link gives way to a file of the driver's
};

int FetchCentral() {
    WriteBytes(kSettingsFile, SectionWith("TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=0\r\n"));
    return FetchCentralSetupJob();
}

int Trace() {
    setenv(kTraceVariable, "run.trace", 1);
    TraceBegin();
    unsetenv(kTraceVariable);
    TraceNote("a note");
    TraceEnd();
    return 0;
}

int StatusStart() {
    iniZorVekDriverStart();
    return 0;
}

using PlantedLinkTest = DriverTest;

TEST_F(PlantedLinkTest, NoWriteGoesThroughAnotherAccountsLink) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    const Row rows[] = {
        {kFromZvFile, FetchCentral, 10, 3, false},
        {"run.trace", Trace, 0, 0, false},
        {kStatusFile, StatusStart, 0, 0, true},
    };
    for (const Row& row : rows) {
        for (const bool foreign : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (foreign ? ", another's link" : ", own link"));
            std::filesystem::remove_all("victim");
            std::filesystem::create_directory("victim");
            std::filesystem::remove(row.name);
            WriteBytes("victim/notes", kVictim);
            ASSERT_EQ(symlink("victim/notes", row.name), 0);
            if (foreign) {
                ASSERT_EQ(lchown(row.name, kOther, kOther), 0);
            }
            fake::StartUnit();
            EXPECT_EQ(row.run(), foreign ? row.refusedResult : row.ownResult);
            struct stat info {};
            ASSERT_EQ(lstat(row.name, &info), 0);
            if (foreign) {
                EXPECT_EQ(ReadBytes("victim/notes"), kVictim);
                EXPECT_EQ(!S_ISLNK(info.st_mode), row.linkReplaced);
                // A fetch refused before its first request: no exchange with the unit.
                EXPECT_TRUE(row.refusedResult == 0 || fake::Writes().empty());
            } else {
                EXPECT_NE(ReadBytes("victim/notes"), kVictim);
                EXPECT_EQ(ReadBytes("victim/notes").rfind(kVictim, 0) == 0,
                          row.name != std::string(kFromZvFile));
                EXPECT_TRUE(S_ISLNK(info.st_mode));
            }
        }
    }
}

}  // namespace
