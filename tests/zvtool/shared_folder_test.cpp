// zvtool in folders other accounts may write: the files a job writes, none written through a
// symbolic link another account made (such a link refuses the job), the COMn link leading to
// a device, and a ledger that only its user may change. Another account's link is made by
// root with lchown, so those rows need root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/job_files.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_target.h"

namespace {

constexpr uid_t kOther = 65534;  // nobody
const std::string kVictim = "the victim's notes\n";
const char kNobody[] = "user nobody (uid 65534)";

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// `path` made a link to a fresh "victim/notes", owned by another account when `foreign`.
void PlantLink(const std::string& path, bool foreign) {
    std::filesystem::remove_all("victim");
    std::filesystem::create_directory("victim");
    WriteBytes("victim/notes", kVictim);
    std::filesystem::remove(path);
    ASSERT_EQ(symlink(AbsolutePath("victim/notes").c_str(), path.c_str()), 0) << path;
    if (foreign) {
        ASSERT_EQ(lchown(path.c_str(), kOther, kOther), 0) << path;
    }
}

TEST(ZvtoolSharedFolder, TheFilesEachJobWrites) {
    struct Row {
        TZvJob job;
        const char* output;
        bool dated;
        const char* trace;
        std::vector<std::string> files;  // in the folder "/w", after the two INI files
    };
    const Row rows[] = {
        {TZvJob::kTest, "", false, "/s/t.trace", {"/s/t.trace"}},
        {TZvJob::kFetchCentral, "/o/c.dat", false, "", {"fromZv.dat", "/o/c.dat"}},
        {TZvJob::kFetchModules, "", false, "", {"fromZv.dat"}},
        {TZvJob::kSendModules, "", false, "", {"ToZv.dat"}},
        {TZvJob::kBackup,
         "/o/b.dat",
         false,
         "",
         {"fromZv.dat", "zvtool-fetched.dat", "/o/b.dat", "/o/b.dat.partial",
          "/o/b.dat.partial.note"}},
        {TZvJob::kBackup, "/o/b.dat", true, "", {"fromZv.dat", "zvtool-fetched.dat"}},
        {TZvJob::kRestore,
         "",
         false,
         "",
         {"fromZv.dat", "ToZv.dat", "zvtool-restore.todo", "zvtool-before.dat"}},
    };
    for (const Row& row : rows) {
        TJobContext context;
        context.runFolder = "/w";
        context.trace = row.trace;
        TJobRequest request;
        request.job = row.job;
        request.output = row.output;
        request.dated = row.dated;
        std::vector<std::string> want{"/w/zordrive.INI", "/w/zordOUT.INI"};
        for (const std::string& file : row.files) {
            want.push_back(file[0] == '/' ? file : "/w/" + file);
        }
        EXPECT_EQ(FilesTheJobWrites(context, request), want) << JobName(request);
    }
}

// Each of zvtool's writers against another account's link (refused, the target as it was)
// and against the user's own (followed where the writer writes the file itself).
TEST(ZvtoolSharedFolder, NoWriteGoesThroughAnotherAccountsLink) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    using TWrite = std::function<bool(const std::string& path, std::string* error)>;
    struct Row {
        const char* writer;
        TWrite write;
        const char* planted;  // the link's name, beside the file "f" written
        bool ownTaken;        // the user's own link is followed (the write succeeds)
        bool ownWrites;       // ... and changes its target
        const char* because;  // what a refusal says (nullptr: the write succeeds)
        bool namesLink;       // ... after the link, its owner and its target
    };
    const Row rows[] = {
        {"WriteWholeFile", [](auto& p, auto* e) { return WriteWholeFile(p, "new", e); }, "f", true,
         true, "zvtool writes through no link another account made", true},
        {"AppendToFile", [](auto& p, auto* e) { return AppendToFile(p, "new", e); }, "f", true,
         true, "zvtool writes through no link another account made", true},
        {"WhyNotWritable",
         [](auto& p, auto* e) {
             *e = WhyNotWritable(p);
             return e->empty();
         },
         "f", true, false, "zvtool writes through no link another account made", true},
        {"TakeFileLock",
         [](auto& p, auto* e) {
             TFileLock lock;
             const bool taken = TakeFileLock(p, "job=test\n", &lock, e) == TLockResult::kTaken;
             ReleaseFileLock(&lock);
             return taken;
         },
         "f", false, false, "zvtool never takes its lock through a link: remove it", true},
        // Where anything is, a link too, no new file is made.
        {"WriteNewFile", [](auto& p, auto* e) { return WriteNewFile(p, "new", e); }, "f", false,
         false, "File exists", false},
        // The file beside the target is made new: a link there is replaced, never followed.
        {"CopyInto",
         [](auto& p, auto* e) {
             WriteBytes("source", "new");
             *e = CopyInto("source", p).message;
             return e->empty();
         },
         "f.zvtool-tmp", true, false, nullptr, false},
    };
    for (const Row& row : rows) {
        for (const bool foreign : {true, false}) {
            SCOPED_TRACE(std::string(row.writer) + (foreign ? ", another's link" : ", own link"));
            ScratchDir dir;
            PlantLink(row.planted, foreign);
            std::string error;
            const bool wrote = row.write("f", &error);
            const bool changed = ReadBytes("victim/notes") != kVictim;
            if (foreign) {
                EXPECT_EQ(wrote, row.because == nullptr) << error;
                EXPECT_FALSE(changed);
                if (row.because != nullptr && row.namesLink) {
                    const std::string link = std::string(row.planted) + " is a symbolic link of " +
                                             kNobody + " to " + AbsolutePath("victim/notes");
                    EXPECT_TRUE(Holds(error, link)) << error;
                }
                if (row.because != nullptr) {
                    EXPECT_TRUE(Holds(error, row.because)) << error;
                }
            } else {
                EXPECT_EQ(wrote, row.ownTaken) << error;
                EXPECT_EQ(changed, row.ownWrites);
            }
        }
    }
}

// Before any driver runs: one of the job's files planted as another account's link refuses
// the job, naming the link, its owner and its target; the user's own links do not.
TEST(ZvtoolSharedFolder, APlantedLinkRefusesTheJob) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    for (const char* name : {"zordrive.INI", "zordOUT.INI", "fromZv.dat", "ToZv.dat",
                             "zvtool-restore.todo", "zvtool-before.dat", "b.dat.partial"}) {
        for (const bool foreign : {true, false}) {
            SCOPED_TRACE(std::string(name) + (foreign ? ", another's link" : ", own link"));
            ScratchDir dir;
            TJobContext context;
            context.runFolder = AbsolutePath(".");
            TJobRequest request;
            request.job = std::string(name) == "b.dat.partial" ? TZvJob::kBackup : TZvJob::kRestore;
            request.output = AbsolutePath("b.dat");
            PlantLink(name, foreign);
            const TZvError error = PlantedLinkAmong(FilesTheJobWrites(context, request));
            EXPECT_EQ(error.exit, foreign ? kExitCannotCreate : kExitOk);
            if (foreign) {
                EXPECT_EQ(error.message,
                          AbsolutePath(name) + " is a symbolic link of " + kNobody + " to " +
                              AbsolutePath("victim/notes") +
                              "; zvtool writes through no link another account made: remove it "
                              "(and find out who made it); the driver was not started");
            }
        }
    }
}

// "COMn" is the one link read on purpose: it must lead to a character device.
TEST(ZvtoolSharedFolder, TheComLinkLeadsToADevice) {
    struct Row {
        const char* name;
        std::function<void()> make;  // what "COM1" is
        bool passes;
        const char* says;
    };
    const Row rows[] = {
        {"no COM1", [] {}, true, ""},
        {"a link to a character device", [] { EXPECT_EQ(symlink("/dev/null", "COM1"), 0); }, true,
         ""},
        {"a link that leads nowhere", [] { EXPECT_EQ(symlink("/nonexistent/ttyUSB0", "COM1"), 0); },
         true, ""},
        {"a link to a regular file",
         [] {
             WriteBytes("port.txt", "x");
             EXPECT_EQ(symlink("port.txt", "COM1"), 0);
         },
         false, "COM1 links to port.txt, which is a regular file, not a serial port"},
        {"a link to a folder",
         [] {
             std::filesystem::create_directory("d");
             EXPECT_EQ(symlink("d", "COM1"), 0);
         },
         false, "COM1 links to d, which is a folder, not a serial port"},
        {"a regular file", [] { WriteBytes("COM1", "x"); }, false,
         "COM1 is a regular file, not a serial port"},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        row.make();
        TZvError error;
        EXPECT_EQ(ComEntryIsADevice(AbsolutePath("."), 1, &error), row.passes) << row.name;
        EXPECT_EQ(ComEntryIsADevice(AbsolutePath("."), 2, &error), true) << row.name;
        if (!row.passes) {
            EXPECT_EQ(error.exit, kExitUnavailable) << row.name;
            EXPECT_TRUE(Holds(error.message, row.says)) << error.message;
            EXPECT_TRUE(Holds(error.message, "the driver was not started")) << error.message;
        }
    }
}

std::string Mode(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return std::to_string(info.st_mode & 0777);
}

// The ledger is made for its user alone, and `ledger check` names each part of it that other
// accounts may change, with its mode.
TEST(ZvtoolSharedFolder, TheLedgerIsTheUsersAlone) {
    ScratchDir dir;
    const std::string here = AbsolutePath(".");
    const TLedgerPlace place{here + "/data/zvtool", "", "ws"};
    TLedgerEntry kept;
    ASSERT_EQ(
        KeepInLedger(place, {"0, 1, 2", "", "backup", "pump-3", "-", "-", here, 1796800000}, &kept)
            .exit,
        0);
    const std::string copy = place.folder + "/" + kept.file;
    const std::string unit = place.folder + "/pump-3";
    const std::string log = place.folder + "/ledger.log";
    EXPECT_EQ(Mode(place.folder), std::to_string(0700));
    EXPECT_EQ(Mode(unit), std::to_string(0700));
    EXPECT_EQ(Mode(copy), std::to_string(0600));
    EXPECT_EQ(Mode(log), std::to_string(0600));
    EXPECT_TRUE(CheckLedger(place).problems.empty());

    struct Row {
        std::string path;
        int mode;
        std::string says;
    };
    const Row rows[] = {
        {place.folder, 0770, "its group may write it (mode 0770)"},
        {unit, 0702, "others may write it (mode 0702)"},
        {log, 0666, "its group and others may write it (mode 0666)"},
        {copy, 0622, "its group and others may write it (mode 0622)"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(chmod(row.path.c_str(), static_cast<mode_t>(row.mode)), 0);
        const TLedgerCheckResult check = CheckLedger(place);
        EXPECT_EQ(check.end.exit, kExitDiffDiffer) << row.path;
        EXPECT_EQ(check.problems, std::vector<std::string>{
                                      row.path + " can be changed by other accounts: " + row.says});
        chmod(row.path.c_str(), row.path == copy || row.path == log ? 0600 : 0700);
    }
    if (geteuid() == 0) {
        ASSERT_EQ(chown(copy.c_str(), kOther, kOther), 0);
        EXPECT_EQ(CheckLedger(place).problems,
                  std::vector<std::string>{copy +
                                           " can be changed by other accounts: it belongs "
                                           "to " +
                                           kNobody + " (mode 0600)"});
    }
}

}  // namespace
