// zvtool's manual page against the tables it is made from: every command with its help,
// every option, every JSON key and every exit status; no marker left unfilled.
#include "zvtool/cli/man_page.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/common/scratch_dir.h"
#include "tools/option_table.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/exit_table.h"
#include "zvtool/cli/json_schema.h"
#include "zvtool/cli/options.h"

namespace {

std::string Page() {
    const std::string text = ReadBytes(ZV_SOURCE_DIR "/docs/man/zvtool.1.scd");
    std::string page;
    std::string error;
    EXPECT_TRUE(FillManPage(text, &page, &error)) << error;
    return page;
}

// How scdoc text writes `name` in bold.
std::string Bold(std::string name) {
    std::string escaped;
    for (const char c : name) {
        escaped += c == '_' ? std::string("\\_") : std::string(1, c);
    }
    return "*" + escaped + "*";
}

TEST(ZvtoolManPage, HoldsEveryRowOfTheTables) {
    const std::string page = Page();
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.find("{{"), std::string::npos);
    for (const TCommandRow& row : CommandRows()) {
        std::string help;
        for (const char c : std::string(row.help)) {
            help += c == '\\' ? std::string("\\\\") : std::string(1, c);
        }
        EXPECT_NE(page.find(Bold(row.name) + "\n\n```\n" + help), std::string::npos) << row.name;
        EXPECT_NE(page.find(row.synopsis), std::string::npos) << row.name;
    }
    std::size_t count = 0;
    const TOptionRow* options = OptionRows(&count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_NE(page.find(Bold(options[i].names[0])), std::string::npos) << options[i].names[0];
    }
    for (const TJsonKey& key : JsonSchema()) {
        EXPECT_NE(page.find("\n" + Bold(key.key) + " ("), std::string::npos) << key.key;
    }
    for (const TExitRow& row : ExitRows()) {
        EXPECT_NE(page.find("\n*" + std::string(row.codes) + "*\n"), std::string::npos)
            << row.codes;
    }
}

TEST(ZvtoolManPage, AMarkerOfNoTableIsRefused) {
    std::string page;
    std::string error;
    EXPECT_FALSE(FillManPage("a {{COMMAND}} b", &page, &error));
    EXPECT_EQ(error, "no section of the tables is called 'COMMAND'");
    ASSERT_TRUE(FillManPage("a {{EXIT STATUS}}b", &page, &error)) << error;
    EXPECT_EQ(page.compare(0, 5, "a *0*"), 0) << page;
}

}  // namespace
