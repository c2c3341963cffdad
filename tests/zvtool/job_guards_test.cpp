// The guards around a zvtool job: the results each job can give, the run-folder lock, the
// output rule, the session traces kept in bounds, and the JSON object.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "driver/result_codes.h"
#include "settings/profile.h"
#include "tests/common/scratch_dir.h"
#include "zvtool/cli/json.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/job_results.h"
#include "zvtool/jobs/line_cause.h"
#include "zvtool/jobs/output_rule.h"
#include "zvtool/jobs/run_lock.h"
#include "zvtool/jobs/session_log.h"
#include "zvtool/jobs/stop_note.h"
#include "zvtool/numbered_name.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

TEST(ZvtoolJobResults, EachJobGivesOnlyItsResults) {
    struct Row {
        TJobKind job;
        std::set<int> gives;
    };
    const Row rows[] = {
        {TJobKind::kTest, {0, 2, 4, 5}},
        {TJobKind::kFetchCentral, {3, 4, 5, 10}},
        {TJobKind::kFetchModules, {3, 4, 5, 10}},
        {TJobKind::kSendCentral, {1, 2, 4, 5, 6, 8, 9, 11}},
        {TJobKind::kSendModules, {1, 2, 4, 5, 7, 8, 9}},
    };
    for (const Row& row : rows) {
        for (int result = -1; result <= 12; ++result) {
            EXPECT_EQ(JobCanGive(row.job, result), row.gives.count(result) == 1)
                << JobKindName(row.job) << ", result " << result;
        }
    }
}

TEST(ZvtoolJobResults, OneReadingForTheJobThatRan) {
    EXPECT_EQ(JobResultMeaning(TJobKind::kFetchModules, 4),
              "the exchange failed or the unit refused the record");
    EXPECT_EQ(JobResultMeaning(TJobKind::kTest, 4), "no valid reply came to the version query");
    EXPECT_EQ(JobResultMeaning(TJobKind::kSendCentral, 4), "no valid reply came from the unit");
    EXPECT_EQ(JobResultMeaning(TJobKind::kTest, 2),
              "the unit did not acknowledge the version query");
    EXPECT_EQ(JobResultMeaning(TJobKind::kFetchCentral, 3), ResultMeaning(3));
}

TEST(ZvtoolJobResults, TheReportNamesWhoGivesTheResult) {
    EXPECT_EQ(NotTheJobAsked(TJobKind::kFetchCentral, 0, "look there"),
              "the driver did not run the job asked for: it ended with result 0, which only the "
              "connection test gives, not the central fetch; so it did not see the keys zvtool "
              "wrote: look there");
    EXPECT_NE(
        NotTheJobAsked(TJobKind::kSendModules, 3, "")
            .find("which only the central fetch or the module fetch gives, not the module send"),
        std::string::npos);
}

TEST(ZvtoolOutputRule, ExistingFilesNeedForceOrADatedName) {
    std::time_t when = 0;
    std::tm moment{};
    moment.tm_year = 126;
    moment.tm_mon = 11;
    moment.tm_mday = 9;
    moment.tm_hour = 3;
    moment.tm_min = 30;
    moment.tm_sec = 4;
    moment.tm_isdst = -1;
    when = std::mktime(&moment);
    struct Row {
        const char* asked;
        bool force;
        bool dated;
        std::set<std::string> existing;
        bool refused;
        const char* path;
    };
    const Row rows[] = {
        {"/w/unit.dat", false, false, {}, false, "/w/unit.dat"},
        {"/w/unit.dat", false, false, {"/w/unit.dat"}, true, "/w/unit.dat"},
        {"/w/unit.dat", true, false, {"/w/unit.dat"}, false, "/w/unit.dat"},
        {"/w/unit.dat", false, true, {"/w/unit.dat"}, false, "/w/unit-20261209-033004.dat"},
        {"/w/unit.dat",
         false,
         true,
         {"/w/unit-20261209-033004.dat", "/w/unit-20261209-033004-2.dat"},
         false,
         "/w/unit-20261209-033004-3.dat"},
        {"/w.d/unit", false, true, {}, false, "/w.d/unit-20261209-033004"},
        {"C:\\w.d\\set.10.dat", false, true, {}, false, "C:\\w.d\\set.10-20261209-033004.dat"},
    };
    for (const Row& row : rows) {
        const TOutputPlan plan =
            PlanOutput(row.asked, row.force, row.dated, when,
                       [&](const std::string& path) { return row.existing.count(path) == 1; });
        EXPECT_EQ(plan.refused, row.refused) << row.asked;
        EXPECT_EQ(plan.path, row.path) << row.asked;
    }
}

TEST(ZvtoolSessionTraces, OldestGoFirstToKeepTheFolderInBounds) {
    const std::vector<TFolderEntry> files = {
        {"zvtool-20261209-030000-7.trace", 100},         {"zvtool-20261208-120000-9.trace", 300},
        {"zvtool-20261209-010000-3.trace", 200},         {"notes.txt", 100000},
        {"zvtool-20261209-020000-5.trace.keep", 100000},
    };
    struct Row {
        int keep;
        long long bytes;
        std::vector<std::string> removed;
    };
    const Row rows[] = {
        {10, 10000, {}},
        {3, 10000, {"zvtool-20261208-120000-9.trace"}},
        {1,
         10000,
         {"zvtool-20261208-120000-9.trace", "zvtool-20261209-010000-3.trace",
          "zvtool-20261209-030000-7.trace"}},
        {10, 300, {"zvtool-20261208-120000-9.trace", "zvtool-20261209-010000-3.trace"}},
        {10, 301, {"zvtool-20261208-120000-9.trace"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TracesToRemove(files, row.keep, row.bytes), row.removed)
            << row.keep << " files, " << row.bytes << " bytes";
    }
    EXPECT_TRUE(IsSessionTraceName(SessionTraceName(std::time(nullptr), 4711)));
}

// One rule for a name that is taken: "-2", "-3", ... before the extension, without end but
// for a folder that says every name is taken.
TEST(ZvtoolNumberedName, TheFirstFreeNumber) {
    EXPECT_EQ(NumberedName("/w/unit.dat", 1), "/w/unit.dat");
    EXPECT_EQ(NumberedName("/w/unit.dat", 2), "/w/unit-2.dat");
    EXPECT_EQ(NumberedName("/w.d/unit", 12), "/w.d/unit-12");
    EXPECT_EQ(NumberedName("C:\\w.d\\set.10.dat", 3), "C:\\w.d\\set.10-3.dat");
    std::set<std::string> taken;
    for (int n = 1; n <= 150; ++n) {
        taken.insert(NumberedName("p/20261209-043012-backup.dat", n));
    }
    EXPECT_EQ(FirstFreeName("p/20261209-043012-backup.dat",
                            [&](const std::string& name) { return taken.count(name) == 1; }),
              "p/20261209-043012-backup-151.dat");
    EXPECT_EQ(FirstFreeName("x.dat", [](const std::string&) { return true; }), "");
}

TEST(ZvtoolRunLock, ASecondJobIsRefusedWithTheHolder) {
    ScratchDir scratch;
    const std::string here = AbsolutePath(".");
    TFileLock first;
    std::string detail;
    const long long self = ThisProcessId();
    const TRunLockRequest backup{here, "backup -o b.dat", "2026-12-09 03:30:04", self};
    ASSERT_EQ(TakeRunLock(backup, &first, &detail), TLockResult::kTaken) << detail;
    TFileLock second;
    const TRunLockRequest fetch{here, "fetch modules 9", "2026-12-09 03:30:05", self};
    EXPECT_EQ(TakeRunLock(fetch, &second, &detail), TLockResult::kHeld);
    EXPECT_EQ(detail, "`zvtool backup -o b.dat`, started 2026-12-09 03:30:04 by process " +
                          std::to_string(self));
    ReleaseFileLock(&first);
    ReleaseFileLock(&second);  // never taken: left alone
    EXPECT_EQ(TakeRunLock(fetch, &second, &detail), TLockResult::kTaken) << detail;
    ReleaseFileLock(&second);
}

// Every key is read back: a settings file that cannot be written stops the job, naming the
// file, the key and the reason.
TEST(ZvtoolJobKeys, WrittenAndReadBack) {
    ScratchDir scratch;
    const std::string here = AbsolutePath(".");
    std::string error;
    EXPECT_EQ(WriteJobKeys(here, {{"TestMiniZvConnection", 0}, {"GetData", 1}}, &error), kExitOk)
        << error;
    EXPECT_EQ(ProfileGetInt(kSection, "GetData", 7, kSettingsFile), 1u);
    std::filesystem::remove(kSettingsFile);
    std::filesystem::create_directory(kSettingsFile);  // not writable, even for root
    EXPECT_EQ(WriteJobKeys(here, {{"TestMiniZvConnection", 0}}, &error), kExitCannotCreate);
    EXPECT_NE(error.find("cannot write the job into "), std::string::npos) << error;
    EXPECT_NE(error.find("zordrive.INI (TestMiniZvConnection=0): Is a directory; the driver "
                         "was not started"),
              std::string::npos)
        << error;
}

TEST(ZvtoolJobKeys, WhereThePortComesFrom) {
    ScratchDir scratch;
    const std::string here = AbsolutePath(".");
    int port = 0;
    EXPECT_EQ(PortInUse(here, 0, &port), TPortFrom::kDefault);
    EXPECT_EQ(port, 1);
    ProfileWriteString(kSection, "Comport", "7", kSettingsFile);
    EXPECT_EQ(PortInUse(here, 0, &port), TPortFrom::kSettings);
    EXPECT_EQ(port, 7);
    EXPECT_NE(PortFromText(here, TPortFrom::kSettings, 7).find("Comport=7 in " + here),
              std::string::npos);
    EXPECT_EQ(PortInUse(here, 3, &port), TPortFrom::kOption);
    EXPECT_EQ(port, 3);
    EXPECT_STREQ(PortFromKey(TPortFrom::kOption), "--port");
}

TEST(ZvtoolRunLock, HolderText) {
    EXPECT_EQ(DescribeLockHolder(LockHolderText("test", "2026-12-09 03:30:04", 12)),
              "`zvtool test`, started 2026-12-09 03:30:04 by process 12");
    EXPECT_EQ(DescribeLockHolder("job=test\r\n"), "`zvtool test`");
    EXPECT_EQ(DescribeLockHolder(""), "another zvtool job, just starting or ending");
    // A zvtool that was ended while its driver runs on: the driver is what to wait for.
    const std::string orphaned =
        LockHolderText("send modules m.dat", "2026-12-09 03:30:04", 12, 40);
    const auto only40 = [](long long id) { return id == 40; };
    EXPECT_EQ(DescribeLockHolder(orphaned, only40),
              "`zvtool send modules m.dat`, started 2026-12-09 03:30:04 by process 12, which has "
              "ended; its driver, process 40, runs on and holds the lock until it ends");
    EXPECT_EQ(DescribeLockHolder(orphaned, [](long long) { return true; }),
              "`zvtool send modules m.dat`, started 2026-12-09 03:30:04 by process 12, whose "
              "driver is process 40 (a driver holds the lock until it ends, also when its zvtool "
              "is gone)");
}

// The note a stopped backup or restore leaves reads back as written, with LF line ends (POSIX)
// and with CR LF (Windows, or a note an editor saved), and so does an older restore's note.
TEST(ZvtoolStopNote, ReadsBackWithEitherLineEnd) {
    TStopNote note;
    note.file = "C:\\My Jobs\\pump 3\\new.dat";
    note.sha256 = std::string(64, 'c');
    note.unit = "pump-3";
    note.port = "COM1";
    note.version = "3.7";
    note.todo = {0, 7, 100};
    const std::string lf = StopNoteText(note);
    std::string crlf;
    for (const char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const struct {
        std::string text;
        bool older;
    } rows[] = {{lf, false},
                {crlf, false},
                {note.file + "\r\n" + note.sha256 + "\r\n0\r\n7\r\n100\r\n", true}};
    for (const auto& row : rows) {
        TStopNote back;
        ASSERT_TRUE(ParseStopNote(row.text, &back)) << row.text;
        EXPECT_EQ(back.file, note.file);
        EXPECT_EQ(back.sha256, note.sha256);
        EXPECT_EQ(back.todo, note.todo);
        EXPECT_EQ(back.unit, row.older ? "" : note.unit);
        EXPECT_EQ(back.version, row.older ? "" : note.version);
        EXPECT_EQ(StopNoteMismatch(back, "COM1", "3.7"), "");
    }
}

TEST(ZvtoolJson, OneObjectWithItsKeysInOrder) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
    TJsonObject object;
    object.Int("version", 1)
        .String("command", "check")
        .IntOrNull("result", -1)
        .StringOrNull("file", "")
        .Seconds("seconds", 2.25)
        .Bool("partial", true)
        .Raw("problems", JsonStrings({"x", "y"}))
        .Raw("none", JsonArray({}));
    EXPECT_EQ(object.Text(),
              "{\"version\": 1, \"command\": \"check\", \"result\": null, \"file\": null, "
              "\"seconds\": 2.2, \"partial\": true, \"problems\": [\"x\", \"y\"], \"none\": []}");
}

TEST(ZvtoolLineCause, RepeatsAndStalls) {
    EXPECT_EQ(RepeatsLine(3, 200, "check the cable"),
              "3 repeats in 200 exchanges; the line is weak: check the cable");
    EXPECT_EQ(RepeatsLine(1, 1, ""), "1 repeat in 1 exchange; the line is weak");
}

// Each cause's words as the progress line, the JSON and the advice give them; the JSON name
// reads back as its cause.
TEST(ZvtoolLineCause, WordsOfEachCause) {
    struct Row {
        TLineCause cause;
        const char* name;
        const char* stalled;
        int seconds;
        const char* advice;  // its start, for port COM2 and status byte 08
    };
    const Row rows[] = {
        {TLineCause::kSound, "sound", "the unit is not answering", 10, ""},
        {TLineCause::kRefused, "refused", "the unit refuses", 6,
         "the unit refused the request with status byte 08: check"},
        {TLineCause::kWrongReply, "wrong-reply", "wrong replies come back", 6,
         "the unit answers with another reply"},
        {TLineCause::kDamagedSent, "damaged-requests", "requests arrive damaged", 6,
         "the unit receives the requests damaged"},
        {TLineCause::kGarbled, "garbled", "replies arrive damaged", 6,
         "the line is answering but garbling replies"},
        {TLineCause::kSilent, "silent", "the unit is not answering", 10,
         "the line is silent: check that COM2 is the port"},
        {TLineCause::kIntermittent, "intermittent", "the unit answers at times", 10,
         "the unit answered at times and fell silent"},
        {TLineCause::kNoLine, "no-line", "the unit is not answering", 10,
         "check that COM2 exists and that no other program holds it"},
    };
    ASSERT_EQ(std::size(rows), kLineCauseCount);
    for (const Row& row : rows) {
        EXPECT_STREQ(CauseName(row.cause), row.name);
        EXPECT_STREQ(StalledWords(row.cause), row.stalled) << row.name;
        EXPECT_LE(std::strlen(StalledWords(row.cause)), 26u) << row.name;
        EXPECT_EQ(RepeatSeconds(row.cause), row.seconds) << row.name;
        const std::string advice = CauseAdvice(row.cause, "COM2", "08");
        EXPECT_EQ(advice.rfind(row.advice, 0), 0u) << row.name << ": " << advice;
        EXPECT_EQ(advice.find('{'), std::string::npos) << row.name << ": " << advice;
        TLineCause read = TLineCause::kSound;
        EXPECT_TRUE(CauseFromName(row.name, &read)) << row.name;
        EXPECT_EQ(read, row.cause) << row.name;
    }
    EXPECT_EQ(CauseAdvice(TLineCause::kSilent, "", "")
                  .rfind("the line is silent: check that "
                         "the port is the port",
                         0),
              0u);
    for (const char* unknown : {"", "Silent", "silent ", "no line", "garbled-replies"}) {
        TLineCause read = TLineCause::kGarbled;
        EXPECT_FALSE(CauseFromName(unknown, &read)) << unknown;
        EXPECT_EQ(read, TLineCause::kGarbled) << unknown;
    }
}

}  // namespace
