#include "tools/tsv.h"

#include <gtest/gtest.h>

#include "tools/arguments.h"
#include "tools/tool_error.h"

namespace lumiro::tools {
namespace {

TEST(Tsv, EscapingRoundTripsEveryAwkwardText) {
    for (std::string text :
         std::vector<std::string>{"", "zwykły tekst", "a\tb", "line1\nline2\r\n", "\\", "\\t",
                                  "ends with \\", "\\\\n", std::string("nul\0byte", 8)}) {
        std::string cell = escapeCell(text);
        EXPECT_EQ(cell.find_first_of("\t\n\r"), std::string::npos) << cell;
        EXPECT_EQ(unescapeCell(cell), text) << cell;
    }
    EXPECT_EQ(escapeCell("a\\b\tc\nd\re"), "a\\\\b\\tc\\nd\\re");
}

TEST(Tsv, DamagedEscapesAreRefused) {
    for (const char* bad : {"\\", "abc\\", "\\x", "\\N", "\\0"})
        EXPECT_FALSE(unescapeCell(bad).has_value()) << bad;
}

TEST(Tsv, RowsSplitAtEveryTab) {
    EXPECT_EQ(splitRow(""), std::vector<std::string_view>{""});
    EXPECT_EQ(splitRow("\t"), (std::vector<std::string_view>{"", ""}));
    EXPECT_EQ(splitRow("a\t\tb"), (std::vector<std::string_view>{"a", "", "b"}));
    std::vector<std::string> cells{"x\ty", "", "z\\"};
    std::string line = joinRow(cells);
    auto split = splitRow(line);
    ASSERT_EQ(split.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(unescapeCell(split[i]), cells[i]);
}

int usageExit(const std::vector<std::string>& args) {
    try {
        parseArguments(args);
    } catch (const ToolError& e) {
        return e.exitCode();
    }
    return kExitOk;
}

TEST(Arguments, CommandsAndTheirFiles) {
    EXPECT_EQ(parseArguments({"--help"}).command, Command::Help);
    EXPECT_EQ(parseArguments({"help"}).command, Command::Help);
    Invocation load = parseArguments({"load", "KADRY", "dane.tsv"});
    EXPECT_EQ(load.command, Command::Load);
    EXPECT_EQ(load.operands, (std::vector<std::string>{"KADRY", "dane.tsv"}));
    EXPECT_EQ(parseArguments({"reindex", "KADRY"}).operands.size(), 1u);
    EXPECT_EQ(parseArguments({"reindex", "KADRY", "uklad.txt"}).operands.size(), 2u);
    for (auto args : std::vector<std::vector<std::string>>{{},
                                                           {"drop", "X"},
                                                           {"dump"},
                                                           {"dump", "A", "B"},
                                                           {"create", "X"},
                                                           {"load", "X", "a.tsv", "b.tsv"},
                                                           {"dump", "--all", "X"},
                                                           {"--help", "x"}})
        EXPECT_EQ(usageExit(args), kExitUsage) << (args.empty() ? "" : args[0]);
    EXPECT_NE(usageText().find("Użycie"), std::string::npos);
}

}  // namespace
}  // namespace lumiro::tools
