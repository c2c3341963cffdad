// A ledger shared through git: what zvtool reads of git's answers, what it does when a push
// fails (over a scripted git), two workstations through a bare repository (the system's git),
// the time-out of a git that hangs, and the ledger moved once to where it is kept now.
#include "zvtool/ledger/ledger_share.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_move.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/platform/processes.h"

namespace {

TEST(LedgerGit, ReadsWhatGitSays) {
    const struct {
        const char* answer;
        bool read;
        const char* version;
        bool accepted;
    } versions[] = {
        {"git version 2.39.5\n", true, "2.39.5", true},
        {"git version 2.39.0.windows.1\n", true, "2.39.0", true},
        {"git version 2.20.0", true, "2.20.0", true},
        {"git version 2.20", true, "2.20", true},
        {"git version 2.19.9", true, "2.19.9", false},
        {"git version 1.99.0", true, "1.99.0", false},
        {"git version 10.0.1", true, "10.0.1", true},
        {"git version x", false, "", false},
        {"usage: git", false, "", false},
    };
    for (const auto& row : versions) {
        std::string version;
        bool accepted = false;
        EXPECT_EQ(ReadGitVersion(row.answer, &version, &accepted), row.read) << row.answer;
        if (row.read) {
            EXPECT_EQ(version, row.version) << row.answer;
            EXPECT_EQ(accepted, row.accepted) << row.answer;
        }
    }
    const struct {
        TGitAnswer answer;
        const char* reason;
    } reasons[] = {
        {{true, false, 128, "",
          "ssh: connect to host bench port 22: Connection refused\r\nfatal: Could not read from "
          "remote repository.\n\nPlease make sure you have the correct access rights\nand the "
          "repository exists.\n"},
         "ssh: connect to host bench port 22: Connection refused Could not read from remote "
         "repository."},
        {{true, false, 1, "", "error: failed to push some refs to 'r.git'\nhint: Updates were\n"},
         "failed to push some refs to 'r.git'"},
        {{true, false, 128, "", ""}, "git ended with status 128"},
        {{true, false, 1,
          "CONFLICT (add/add): Merge conflict in ledger.log\nAutomatic merge failed; fix "
          "conflicts and then commit the result.\n",
          ""},
         "CONFLICT (add/add): Merge conflict in ledger.log Automatic merge failed; fix conflicts "
         "and then commit the result."},
        {{false, true, -1, "", ""}, "git did not finish in time and was stopped"},
        {{false, false, -1, "", "there is no git on the search path"},
         "there is no git on the search path"},
    };
    for (const auto& row : reasons) {
        EXPECT_EQ(GitReason(row.answer), row.reason);
    }
    for (const auto& [remote, path] :
         std::vector<std::pair<const char*, bool>>{{"/srv/ledger.git", true},
                                                   {"../ledger.git", true},
                                                   {"C:\\ledger.git", true},
                                                   {"\\\\server\\share\\ledger.git", true},
                                                   {"./a:b.git", true},
                                                   {"bench1:/srv/ledger.git", false},
                                                   {"tech@bench1:ledger.git", false},
                                                   {"ssh://bench1/srv/ledger.git", false},
                                                   {"git://127.0.0.1:9418/ledger.git", false}}) {
        EXPECT_EQ(RemoteIsPath(remote), path) << remote;
    }
    EXPECT_EQ(AttributesTrouble(kLedgerAttributes), "");
    EXPECT_EQ(AttributesTrouble("*.dat binary\r\n* -text\r\nledger.log merge=union\r\n"), "");
    EXPECT_NE(AttributesTrouble("* -text\n").find("lacks the line \"ledger.log merge=union\""),
              std::string::npos);
    EXPECT_NE(AttributesTrouble("").find("lacks the line \"* -text\""), std::string::npos);
}

// A git whose answers a row scripts, each subcommand's in turn (then success), which keeps
// every call it was given.
struct TScriptedGit {
    std::map<std::string, std::vector<TGitAnswer>> answers;
    std::vector<TGitCall> calls;

    TGitRunner Runner() {
        TGitRunner runner;
        runner.user = "anna";
        runner.run = [this](const TGitCall& call) {
            calls.push_back(call);
            std::vector<TGitAnswer>& queue = answers[Subcommand(call)];
            TGitAnswer answer{true, false, 0, "", ""};
            if (!queue.empty()) {
                answer = queue.front();
                queue.erase(queue.begin());
            }
            return answer;
        };
        return runner;
    }
    // The word after zvtool's -c settings.
    static std::string Subcommand(const TGitCall& call) {
        std::size_t i = 0;
        while (i + 1 < call.args.size() && call.args[i] == "-c") {
            i += 2;
        }
        return i < call.args.size() ? call.args[i] : "";
    }
    int Count(const std::string& subcommand) const {
        int count = 0;
        for (const TGitCall& call : calls) {
            count += Subcommand(call) == subcommand ? 1 : 0;
        }
        return count;
    }
};

const TGitAnswer kRejected{true, false, 1,
                           "To r.git\n!\trefs/heads/main:refs/heads/main\t[rejected] (fetch "
                           "first)\nDone\n",
                           "error: failed to push some refs to 'r.git'\n"};
// Another workstation's push took the branch's ref at that very moment.
const TGitAnswer kRaced{true, false, 1,
                        "To r.git\n!\trefs/heads/main:refs/heads/main\t[remote rejected] (failed "
                        "to update ref)\nDone\n",
                        "remote: error: cannot lock ref 'refs/heads/main': is at 71393d7 but "
                        "expected e3436f8\n"};
const TGitAnswer kOffline{true, false, 128, "",
                          "fatal: unable to connect to bench1:\nbench1[0: 10.0.0.9]: "
                          "errno=Connection refused\n"};
const TGitAnswer kHung{false, true, -1, "", ""};
const TGitAnswer kFailed{true, false, 128, "", "fatal: Unable to create '.git/index.lock'\n"};

// After the entry is kept: its commit, then its push, retried once after a fetch and merge
// when the remote is ahead; anything else leaves the entry committed for the next sync.
TEST(SharedLedger, EachEntryIsCommittedAndPushed) {
    const struct {
        const char* name;
        std::vector<TGitAnswer> commit, push, fetch;
        TMessageKind kind;
        const char* said;
        int pushes;
    } rows[] = {
        {"pushed", {}, {}, {}, TMessageKind::kInfo, "committed and pushed to r.git", 1},
        {"remote ahead", {}, {kRejected}, {}, TMessageKind::kInfo, "committed and pushed", 2},
        {"raced", {}, {kRaced}, {}, TMessageKind::kInfo, "committed and pushed", 2},
        {"ahead twice",
         {},
         {kRejected, kRejected},
         {},
         TMessageKind::kWarning,
         "not pushed to r.git (another workstation pushed first, twice): the entry is "
         "committed here, and `zvtool ledger sync` pushes it",
         2},
        {"offline",
         {},
         {kOffline},
         {},
         TMessageKind::kWarning,
         "not pushed to r.git (unable to connect to bench1: bench1[0: 10.0.0.9]: "
         "errno=Connection refused): the entry is committed here",
         1},
        {"push hangs",
         {},
         {kHung},
         {},
         TMessageKind::kWarning,
         "(the push was not done in 20 s)",
         1},
        {"fetch fails on the retry",
         {},
         {kRejected},
         {kOffline},
         TMessageKind::kWarning,
         "not pushed to r.git (unable to connect",
         1},
        {"commit fails",
         {kFailed},
         {},
         {},
         TMessageKind::kWarning,
         "git could not commit it (Unable to create '.git/index.lock'); `zvtool ledger sync` "
         "commits and pushes it",
         0},
    };
    for (const auto& row : rows) {
        ScratchDir cwd;
        const std::string dir = std::filesystem::current_path().string();
        std::filesystem::create_directories(dir + "/ledger/.git");
        const TLedgerPlace place{dir + "/ledger", "", "bench 1"};
        TScriptedGit git;
        git.answers = {{"commit", row.commit},
                       {"push", row.push},
                       {"fetch", row.fetch},
                       {"diff", {{true, false, 1, "", ""}}},
                       {"config", {{true, false, 0, "r.git\n", ""}}}};
        TLedgerEntry kept;
        std::vector<TMessage> said;
        const TKeepRequest request{"0, 1", "", "backup", "pump-3", "-", "1.0", dir, 1796800000};
        ASSERT_EQ(KeepAndShare(place, git.Runner(), request, &kept, &said).exit, 0) << row.name;
        ASSERT_EQ(said.size(), 1u) << row.name;
        EXPECT_EQ(said[0].kind, row.kind) << row.name;
        EXPECT_NE(said[0].text.find(row.said), std::string::npos)
            << row.name << ": " << said[0].text;
        EXPECT_EQ(git.Count("push"), row.pushes) << row.name;
        for (const TGitCall& call : git.calls) {
            EXPECT_EQ(call.folder, place.folder);
            const std::vector<std::pair<std::string, std::string>> wanted = {
                {"GIT_TERMINAL_PROMPT", "0"},
                {"GIT_SSH_COMMAND", "ssh -o BatchMode=yes -o ConnectTimeout=10"},
                {"GIT_AUTHOR_EMAIL", "anna@bench-1"},
                {"GIT_COMMITTER_EMAIL", "anna@bench-1"}};
            for (const auto& variable : wanted) {
                EXPECT_NE(std::find(call.environment.begin(), call.environment.end(), variable),
                          call.environment.end())
                    << variable.first;
            }
        }
        // Only the entry's own files, with its log line as the message.
        const std::vector<std::string> commit = {
            "commit", "-q", "-m", FormatLedgerLine(kept), "--", "ledger.log", kept.file};
        const auto committed = std::find_if(git.calls.begin(), git.calls.end(), [](auto& call) {
            return TScriptedGit::Subcommand(call) == "commit";
        });
        ASSERT_NE(committed, git.calls.end());
        EXPECT_TRUE(std::equal(commit.begin(), commit.end(), committed->args.end() - 7));
    }
}

TEST(SharedLedger, ANotSharedLedgerRunsNoGit) {
    ScratchDir cwd;
    const std::string dir = std::filesystem::current_path().string();
    TScriptedGit git;
    TLedgerEntry kept;
    std::vector<TMessage> said;
    const TKeepRequest request{"0, 1", "", "backup", "pump-3", "-", "1.0", dir, 1796800000};
    ASSERT_EQ(KeepAndShare({dir, "", "b"}, git.Runner(), request, &kept, &said).exit, 0);
    EXPECT_TRUE(git.calls.empty());
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(SyncLedger({dir, "", "b"}, git.Runner()).end.exit, 69);
    EXPECT_TRUE(git.calls.empty());
}

// A git that hangs is stopped at the call's time-out; one that answers is read whole.
TEST(SharedLedger, GitAsAProcess) {
    ScratchDir cwd;
    const std::string dir = std::filesystem::current_path().string();
    WriteBytes("git",
               "#!/bin/sh\n[ \"$1\" = hang ] && exec sleep 5\n"
               "echo \"out $*\"; echo \"err $GIT_TERMINAL_PROMPT\" >&2; exit 3\n");
    std::filesystem::permissions("git", std::filesystem::perms::owner_all);
    const std::string path = getenv("PATH");
    setenv("PATH", dir.c_str(), 1);
    const TGitRunner git = GitProcessRunner(dir + "/state", "anna", nullptr);
    setenv("PATH", path.c_str(), 1);
    const TGitAnswer answer = git.run({dir, {"say", "a b"}, {{"GIT_TERMINAL_PROMPT", "0"}}, 5000});
    EXPECT_TRUE(answer.ran);
    EXPECT_EQ(answer.status, 3);
    EXPECT_EQ(answer.output, "out say a b\n");
    EXPECT_EQ(answer.errors, "err 0\n");
    const auto start = std::chrono::steady_clock::now();
    const TGitAnswer hung = git.run({dir, {"hang"}, {}, 300});
    EXPECT_TRUE(hung.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(cwd.Entries(), (std::vector<std::string>{"git", "state"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/state"));
}

TLedgerEntry Kept(const TLedgerPlace& place, const TGitRunner& git, const std::string& unit,
                  const std::string& records, long long time) {
    TLedgerEntry kept;
    std::vector<TMessage> said;
    const TKeepRequest request{records, "", "backup", unit, "-", "1.0", "/line", time};
    EXPECT_EQ(KeepAndShare(place, git, request, &kept, &said).exit, 0);
    EXPECT_EQ(said.size(), 1u);
    EXPECT_EQ(said.empty() ? "" : said[0].text.substr(0, 20), "committed and pushed");
    return kept;
}

std::vector<std::string> NamesNewestFirst(const TLedgerPlace& place) {
    TLedgerLog log;
    std::string error;
    EXPECT_TRUE(ReadLedger(place, &log, &error)) << error;
    std::vector<std::string> names;
    for (const TOrderedEntry& ordered : NewestFirst(log.entries)) {
        names.push_back(ordered.entry->id + " @" + std::to_string(ordered.back));
    }
    return names;
}

// Two workstations, one history: the first shares its ledger, the second (empty) takes it;
// both back up one unit in the same second and one of their own; after a sync both hold
// every entry under the same names, in the same order, and check sound.
TEST(SharedLedger, TwoWorkstationsThroughABareRepository) {
    if (FindOnSearchPath("git").empty()) {
        GTEST_SKIP() << "no git on the search path";
    }
    ScratchDir cwd;
    const std::string dir = std::filesystem::current_path().string();
    const TGitRunner git = GitProcessRunner(dir + "/state", "anna", nullptr);
    ASSERT_EQ(git.run({dir, {"init", "-q", "--bare", "remote.git"}, {}, 20000}).status, 0);
    const TLedgerPlace a{dir + "/a", "", "bench1"};
    const TLedgerPlace b{dir + "/b", "", "bench2"};
    const long long t = 1796800000;
    TLedgerEntry kept;
    std::vector<TMessage> said;
    ASSERT_EQ(
        KeepAndShare(a, git, {"0, 1", "", "backup", "pump-3", "-", "1.0", "/l", t}, &kept, &said)
            .exit,
        0);
    const TLedgerShareResult first = ShareLedger(a, git, dir + "/remote.git");
    EXPECT_EQ(first.end.error, "");
    EXPECT_EQ(std::vector<int>({first.entries, first.merged, first.pushed, first.waiting}),
              std::vector<int>({1, 0, 1, 0}));
    const TLedgerShareResult second = ShareLedger(b, git, dir + "/remote.git");
    EXPECT_EQ(second.end.error, "");
    EXPECT_EQ(std::vector<int>({second.entries, second.merged, second.pushed}),
              std::vector<int>({1, 1, 0}));
    Kept(a, git, "pump-3", "0, 2", t + 60);
    Kept(b, git, "pump-3", "0, 3", t + 60);  // the remote is ahead: merged, then pushed
    Kept(b, git, "fan-1", "0, 4", t + 61);
    const TLedgerShareResult synced = SyncLedger(a, git);
    EXPECT_EQ(synced.end.error, "");
    EXPECT_EQ(std::vector<int>({synced.entries, synced.merged, synced.pushed}),
              std::vector<int>({4, 2, 0}));
    const std::vector<std::string> names = NamesNewestFirst(a);
    EXPECT_EQ(names, NamesNewestFirst(b));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0].substr(0, 6), "fan-1/");
    EXPECT_NE(names[1].find("-bench2 @1"), std::string::npos) << names[1];
    EXPECT_NE(names[2].find("-bench1 @2"), std::string::npos) << names[2];
    for (const TLedgerPlace& place : {a, b}) {
        const TLedgerCheckResult check = CheckLedger(place);
        EXPECT_EQ(check.end.exit, 0) << place.folder;
        EXPECT_EQ(check.problems, std::vector<std::string>()) << place.folder;
    }
}

// The ledger moved once from the folder zvtool kept it in before: each entry's record file,
// then the log; the logs and the lock beside it stay, and a file a damaged line names
// outside the unit's folder is not touched.
TEST(LedgerMove, MovesEachEntryOnce) {
    ScratchDir cwd;
    std::filesystem::create_directories("old/pump-3");
    std::filesystem::create_directories("old/logs");
    TLedgerEntry entry;
    entry.kind = "backup";
    entry.unit = "pump-3";
    entry.port = entry.version = "-";
    entry.sha256 = std::string(64, 'a');
    entry.file = "pump-3/a.dat";
    entry.id = "pump-3/a";
    entry.folder = "/l";
    TLedgerEntry outside = entry;
    outside.file = "../lock.dat";
    const std::string log = FormatLedgerLine(entry) + "\n" + FormatLedgerLine(outside) + "\n";
    WriteBytes("old/ledger.log", log);
    WriteBytes("old/pump-3/a.dat", "0, 1");
    WriteBytes("old/settings.lock", "");
    WriteBytes("old/lock.dat", "x");
    WriteBytes("old/logs/t.txt", "trace");
    const std::string dir = std::filesystem::current_path().string();
    int moved = 0;
    std::string why;
    ASSERT_TRUE(MoveLedgerOnce(dir + "/old", dir + "/old/ledger", &moved, &why)) << why;
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(ReadBytes("old/ledger/ledger.log"), log);
    EXPECT_EQ(ReadBytes("old/ledger/pump-3/a.dat"), "0, 1");
    for (const char* stays : {"old/settings.lock", "old/lock.dat", "old/logs/t.txt"}) {
        EXPECT_TRUE(std::filesystem::exists(stays)) << stays;
    }
    EXPECT_FALSE(std::filesystem::exists("old/ledger.log"));
    // Once: a later log in the old place is not moved over the ledger's.
    WriteBytes("old/ledger.log", "later");
    ASSERT_TRUE(MoveLedgerOnce(dir + "/old", dir + "/old/ledger", &moved, &why));
    EXPECT_EQ(moved, -1);
    EXPECT_EQ(ReadBytes("old/ledger/ledger.log"), log);
    // A move that cannot be done part-way puts back what it moved.
    TLedgerEntry second = entry;
    second.unit = "fan-1";
    second.file = "fan-1/b.dat";
    std::filesystem::create_directories("two/pump-3");
    std::filesystem::create_directories("two/fan-1");
    std::filesystem::create_directories("new");
    const std::string two = FormatLedgerLine(entry) + "\n" + FormatLedgerLine(second) + "\n";
    WriteBytes("two/ledger.log", two);
    WriteBytes("two/pump-3/a.dat", "0, 1");
    WriteBytes("two/fan-1/b.dat", "0, 2");
    WriteBytes("new/fan-1", "a file in the way");
    EXPECT_FALSE(MoveLedgerOnce(dir + "/two", dir + "/new", &moved, &why));
    EXPECT_NE(why.find("cannot move " + dir + "/two/fan-1/b.dat"), std::string::npos) << why;
    EXPECT_EQ(ReadBytes("two/pump-3/a.dat"), "0, 1");
    EXPECT_FALSE(std::filesystem::exists("new/pump-3/a.dat"));
    EXPECT_EQ(ReadBytes("two/ledger.log"), two);
}

}  // namespace
