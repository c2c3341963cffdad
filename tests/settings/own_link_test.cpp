// The rule for a run's files in a folder others may write: a final symbolic link is followed
// only when the running user made it. A link of another account is made here by root with
// lchown, so these rows need root (the test runs say so where they are skipped).
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "settings/own_link_posix.h"
#include "settings/profile.h"
#include "tests/common/scratch_dir.h"

namespace {

constexpr uid_t kOther = 65534;  // nobody
const std::string kVictim = "the victim's notes\n";

// A link `name` -> `target`, owned by another account when `foreign`.
void Link(const char* target, const char* name, bool foreign) {
    ASSERT_EQ(symlink(target, name), 0) << name;
    if (foreign) {
        ASSERT_EQ(lchown(name, kOther, kOther), 0) << name;
    }
}

struct OpenRow {
    const char* name;
    // The links from "f" on, each "own" or "other", in that order; the last leads to "notes"
    // (or to "missing" when `dangling`).
    std::vector<const char*> chain;
    bool dangling;
    int flags;
    bool opens;         // the open succeeds
    bool refused;       // a link of another account stopped it
    std::string notes;  // "notes" afterwards ("" when it must not exist)
};

TEST(OwnLink, OnlyTheUsersOwnLinksAreFollowed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    const int write = O_WRONLY | O_CREAT | O_TRUNC;
    const OpenRow rows[] = {
        {"a file itself", {}, false, write, true, false, "new"},
        {"the user's own link", {"own"}, false, write, true, false, "new"},
        {"a chain of the user's links", {"own", "own"}, false, write, true, false, "new"},
        {"another account's link", {"other"}, false, write, false, true, kVictim},
        {"the user's link to another's", {"own", "other"}, false, write, false, true, kVictim},
        {"another account's link appending",
         {"other"},
         false,
         O_WRONLY | O_APPEND,
         false,
         true,
         kVictim},
        {"another's link that leads nowhere", {"other"}, true, write, false, true, ""},
        {"the user's link that leads nowhere", {"own"}, true, write, true, false, "new"},
        {"a new file where the user's link is",
         {"own"},
         false,
         write | O_EXCL,
         false,
         false,
         kVictim},
    };
    for (const OpenRow& row : rows) {
        ScratchDir dir;
        const char* notes = row.dangling ? "missing" : "notes";
        if (!row.dangling) {
            WriteBytes("notes", kVictim);
        }
        // f -> l1 -> l2 ... -> notes: the first link is "f", the file opened.
        const std::size_t count = row.chain.size();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string name = i == 0 ? "f" : "l" + std::to_string(i);
            const std::string next = i + 1 == count ? notes : "l" + std::to_string(i + 1);
            Link(next.c_str(), name.c_str(), std::string(row.chain[i]) == "other");
        }
        const char* opened = count == 0 ? "notes" : "f";
        TForeignLink foreign;
        const int fd = OpenOwnPath(opened, row.flags, 0666, &foreign);
        const int error = errno;
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, "new", 3), 3);
            close(fd);
        }
        EXPECT_EQ(fd >= 0, row.opens) << row.name;
        EXPECT_EQ(foreign.found, row.refused) << row.name;
        if (row.refused) {
            EXPECT_EQ(error, ELOOP) << row.name;
            EXPECT_EQ(foreign.owner, kOther) << row.name;
            EXPECT_EQ(foreign.target, notes) << row.name;
        }
        EXPECT_EQ(ReadBytes(notes), row.notes) << row.name;
        EXPECT_EQ(access(notes, F_OK) == 0, !row.notes.empty()) << row.name;
    }
}

TEST(OwnLink, FollowingStopsAtAnotherAccountsLink) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    ScratchDir dir;
    WriteBytes("notes", kVictim);
    Link("notes", "theirs", true);
    Link("theirs", "mine", false);
    TForeignLink foreign;
    EXPECT_EQ(FollowOwnLinks("mine", &foreign), "theirs");
    EXPECT_TRUE(foreign.found);
    EXPECT_EQ(ForeignLinkWords(foreign), "a symbolic link of user nobody (uid 65534) to notes");
    EXPECT_EQ(FollowOwnLinks("notes", &foreign), "notes");
    EXPECT_FALSE(foreign.found);
    EXPECT_EQ(AccountWords(4000000000u), "uid 4000000000");
}

// The status file as the driver writes it: another account's link is replaced by the file
// itself, its target never read nor written; the user's own link still leads to the file the
// host keeps elsewhere.
TEST(OwnLink, TheStatusWriteReplacesAnotherAccountsLink) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    struct Row {
        bool foreign;
        std::string notes;   // the link's target afterwards
        std::string status;  // "zordOUT.INI" afterwards
        bool stillALink;
    };
    const std::string written = kVictim + SectionWith("ComStatus=3\r\n");
    const Row rows[] = {
        {true, kVictim, SectionWith("ComStatus=3\r\n"), false},
        {false, written, written, true},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        WriteBytes("notes", kVictim);
        Link("notes", kStatusFile, row.foreign);
        ProfileWriteString(kSection, "ComStatus", "3", kStatusFile);
        EXPECT_EQ(ReadBytes("notes"), row.notes) << row.foreign;
        EXPECT_EQ(ReadBytes(kStatusFile), row.status) << row.foreign;
        struct stat info {};
        ASSERT_EQ(lstat(kStatusFile, &info), 0);
        EXPECT_EQ(S_ISLNK(info.st_mode), row.stillALink) << row.foreign;
    }
}

// Where no file can be made beside the link (here its name leaves no room for a longer one),
// the in-place rewrite would go through it: refused, and noted for the stderr line.
TEST(OwnLink, NoInPlaceRewriteThroughAnotherAccountsLink) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to make a link owned by another account (lchown)";
    }
    ScratchDir dir;
    WriteBytes("notes", kVictim);
    const std::string longName(250, 'z');
    Link("notes", longName.c_str(), true);
    ProfileWriteString(kSection, "ComStatus", "3", longName.c_str());
    EXPECT_EQ(ReadBytes("notes"), kVictim);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"notes", longName}));
    EXPECT_EQ(RefusedLinkPath(), longName);
    EXPECT_STREQ(RefusedLinkWords(), "a symbolic link of user nobody (uid 65534) to notes");
}

}  // namespace
