// The tab-separated form of `dump` and `load`: one record a line, cells separated by TAB,
// and inside a cell backslash, TAB, line feed and carriage return written \\ \t \n \r.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumiro::tools {

std::string escapeCell(std::string_view text);
// Undoes escapeCell; std::nullopt for a backslash followed by anything else or by nothing,
// so that a damaged file is reported rather than read differently from what was meant.
std::optional<std::string> unescapeCell(std::string_view cell);

// Splits one line (without its line feed) at TABs; an empty line is one empty cell.
std::vector<std::string_view> splitRow(std::string_view line);
// Escapes every cell and joins them with TABs (no line feed).
std::string joinRow(const std::vector<std::string>& cells);

}  // namespace lumiro::tools
