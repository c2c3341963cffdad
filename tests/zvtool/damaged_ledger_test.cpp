// One table of damaged ledgers, each run through what reads the ledger: history, units, the
// names diff, show, check and restore take, and ledger check. Each damage is reported where it
// is, never read as an empty ledger, and never moves another entry's name.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "zvtool/cli/ledger_render.h"
#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/platform/files.h"

namespace {

constexpr long long kNow = 1796790612;  // 2026-12-09 04:30:12 UTC

// A ledger of three backups of pump-3 (the middle one the copy the rows damage) and one of
// k9, as zvtool writes it.
struct TLedger {
    std::string folder;
    std::vector<TLedgerEntry> kept;

    explicit TLedger(const std::string& root) : folder(root + "/ledger") {
        const TLedgerPlace place{folder, "", "bench2"};
        const std::vector<std::pair<const char*, const char*>> copies = {
            {"pump-3", "0, 1, 2"}, {"pump-3", "0, 1, 3"}, {"k9", "0, 9, 9"}, {"pump-3", "0, 1, 4"}};
        long long time = kNow - 3600;
        for (const auto& [unit, text] : copies) {
            TLedgerEntry entry;
            const TKeepRequest request{text,           "",    "backup", unit,
                                       "/dev/ttyUSB0", "1.0", root,     time += 60};
            EXPECT_EQ(KeepInLedger(place, request, &entry).exit, 0);
            kept.push_back(entry);
        }
    }
    std::string Log() const { return JoinPath(folder, kLedgerLogName); }
    // The log's line of entry `i`, from 0.
    std::string Line(std::size_t i) const { return FormatLedgerLine(kept[i]); }
};

struct DamageRow {
    const char* name;
    std::function<void(const TLedger&)> damage;
    int historyExit;                 // history and units
    std::vector<std::string> marks;  // what history says of pump-3's entries, newest first
    int warnings;                    // lines history reports as not reading
    int resolveExit;                 // a name of the damaged entry, as diff and restore take it
    int checkExit;                   // ledger check
};

void PrintTo(const DamageRow& row, std::ostream* out) {
    *out << row.name;
}

const DamageRow kRows[] = {
    {"Sound", [](const TLedger&) {}, 0, {"sound", "sound", "sound"}, 0, kExitOk, 0},
    {"ByteOrderMarkAndCrLf",
     [](const TLedger& ledger) {
         WriteBytes(ledger.Log().c_str(), "\xEF\xBB\xBF" + ledger.Line(0) + "\r\n" +
                                              ledger.Line(1) + "\r\n" + ledger.Line(2) + "\r\n" +
                                              ledger.Line(3) + "\r\n");
     },
     0,
     {"sound", "sound", "sound"},
     0,
     kExitOk,
     0},
    // A damaged field: the entry keeps its place, so pump-3@3 still names the oldest.
    {"DamagedField",
     [](const TLedger& ledger) {
         std::string line = ledger.Line(1);
         line.replace(line.find("sha256=") + 7, 4, "zzzz");
         WriteBytes(ledger.Log().c_str(), ledger.Line(0) + "\n" + line + "\n" + ledger.Line(2) +
                                              "\n" + ledger.Line(3) + "\n");
     },
     0,
     {"sound", "its line does not read", "sound"},
     1,
     kExitLedgerDamaged,
     1},
    {"GarbageLine",
     [](const TLedger& ledger) {
         WriteBytes(ledger.Log().c_str(), ledger.Line(0) + "\n" + ledger.Line(1) + "\n" +
                                              "\x01\x02 garbage\n" + ledger.Line(2) + "\n" +
                                              ledger.Line(3) + "\n");
     },
     0,
     {"sound", "sound", "sound"},
     1,
     kExitOk,
     1},
    // A crash in the middle of an append: the last line is cut off.
    {"CutOffLastLine",
     [](const TLedger& ledger) {
         WriteBytes(ledger.Log().c_str(), ledger.Line(0) + "\n" + ledger.Line(1) + "\n" +
                                              ledger.Line(2) + "\n" + ledger.Line(3).substr(0, 60));
     },
     0,
     {"its line does not read", "sound", "sound"},
     1,
     kExitOk,
     1},
    {"MissingCopy",
     [](const TLedger& ledger) {
         std::filesystem::remove(LedgerFilePath(ledger.folder, ledger.kept[1]));
     },
     0,
     {"sound", "missing", "sound"},
     0,
     kExitLedgerDamaged,
     1},
    {"AlteredCopy",
     [](const TLedger& ledger) {
         WriteBytes(LedgerFilePath(ledger.folder, ledger.kept[1]).c_str(), "0, 1, 7");
     },
     0,
     {"sound", "altered", "sound"},
     0,
     kExitLedgerDamaged,
     1},
    // A ledger that cannot be read is no empty ledger: the cause is said.
    {"UnreadableLedger",
     [](const TLedger& ledger) {
         std::filesystem::remove_all(ledger.folder);
         WriteBytes(ledger.folder.c_str(), "not a folder");
     },
     kExitNoInput,
     {},
     0,
     kExitNoInput,
     2},
};

class DamagedLedger : public ::testing::TestWithParam<DamageRow> {};

TEST_P(DamagedLedger, IsReportedWhereItIs) {
    const DamageRow& row = GetParam();
    ScratchDir dir;
    const TLedger ledger(AbsolutePath("."));
    const TLedgerPlace place{ledger.folder, "", "bench2"};
    const std::string middle = ledger.kept[1].id;
    row.damage(ledger);

    const THistoryResult history = LedgerHistory(place, "pump-3", kNow);
    EXPECT_EQ(history.end.exit, row.historyExit) << history.end.error;
    std::vector<std::string> marks;
    for (const TListedEntry& listed : history.entries) {
        marks.push_back(CopyStateWords(listed.check.state));
    }
    EXPECT_EQ(marks, row.marks);
    int warnings = 0;
    for (const TMessage& message : history.end.messages) {
        warnings += message.kind == TMessageKind::kWarning ? 1 : 0;
    }
    EXPECT_EQ(warnings, row.warnings);
    if (row.historyExit != 0) {
        EXPECT_NE(history.end.error.find("Not a directory"), std::string::npos)
            << history.end.error;
    }
    // No other entry's name moves: the oldest and the newest of pump-3 keep theirs.
    if (history.entries.size() == 3) {
        EXPECT_EQ(history.entries[2].name, "pump-3@3");
        EXPECT_EQ(history.entries[2].entry.id, ledger.kept[0].id);
        EXPECT_EQ(history.entries[1].entry.id, middle);
    }

    const TUnitsResult units = LedgerUnits(place, kNow);
    EXPECT_EQ(units.end.exit, row.historyExit);
    if (row.historyExit == 0) {
        ASSERT_EQ(units.units.size(), 2u);
        int damaged = 0;
        for (const std::string& mark : row.marks) {
            damaged += mark == "sound" ? 0 : 1;
        }
        EXPECT_EQ(units.units[1].unit, "pump-3");
        EXPECT_EQ(units.units[1].kept, 3 - damaged);
        EXPECT_EQ(units.units[1].damaged, damaged);
    }

    for (const std::string& name : {std::string("pump-3@2"), middle}) {
        std::vector<std::string> files{name};
        TCommandEnd end;
        const TZvError error = ResolveLedgerNames(place, kExitNoInput, &files, &end);
        EXPECT_EQ(error.exit, row.resolveExit) << name << ": " << error.message;
        if (error.exit == kExitLedgerDamaged) {
            EXPECT_NE(error.message.find(middle), std::string::npos) << error.message;
        } else if (error.exit == kExitOk) {
            EXPECT_EQ(files[0], LedgerFilePath(ledger.folder, ledger.kept[1]));
        }
    }

    const TLedgerCheckResult check = CheckLedger(place);
    EXPECT_EQ(check.end.exit, row.checkExit);
    EXPECT_EQ(check.problems.empty(), row.checkExit != 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedLedger, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<DamageRow>& row) {
                             return std::string(row.param.name);
                         });

// An altered copy is refused naming its file and both hashes, whether it is named by its
// entry, by its permanent name or by its path in the ledger; a file outside the ledger is not
// the ledger's to check.
TEST(DamagedLedger, AnAlteredCopyNamesBothHashes) {
    ScratchDir dir;
    const TLedger ledger(AbsolutePath("."));
    const std::string path = LedgerFilePath(ledger.folder, ledger.kept[1]);
    WriteBytes(path.c_str(), "0, 1, 7");
    for (const std::string& name : {std::string("pump-3@2"), ledger.kept[1].id, path}) {
        std::vector<std::string> files{name};
        TCommandEnd end;
        const TZvError error = ResolveLedgerNames({ledger.folder, "", "x"}, 2, &files, &end);
        EXPECT_EQ(error.exit, kExitLedgerDamaged) << name;
        EXPECT_EQ(error.message, "the ledger's copy " + ledger.kept[1].id + " was altered: " +
                                     path + " has SHA-256 " + Sha256Hex("0, 1, 7") +
                                     ", its line in the log says " + ledger.kept[1].sha256);
    }
    WriteBytes("outside.dat", "0, 1, 7");
    std::vector<std::string> files{AbsolutePath("outside.dat")};
    TCommandEnd end;
    EXPECT_EQ(ResolveLedgerNames({ledger.folder, "", "x"}, 2, &files, &end).exit, kExitOk);
}

// An entry dated after now (a clock ahead) is shown as that, not as "0 s ago"; a damaged copy
// is marked under its entry with what is wrong.
TEST(DamagedLedger, HistoryAsATechnicianReadsIt) {
    ScratchDir dir;
    const TLedger ledger(AbsolutePath("."));
    std::filesystem::remove(LedgerFilePath(ledger.folder, ledger.kept[1]));
    const std::string text = HistoryText(LedgerHistory({ledger.folder, "", "x"}, "", kNow - 7200));
    EXPECT_NE(text.find("version 1.0  in the future\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("0 s ago"), std::string::npos) << text;
    EXPECT_NE(text.find("  ! the ledger's copy " + ledger.kept[1].id + " is missing: "),
              std::string::npos)
        << text;
}

}  // namespace
