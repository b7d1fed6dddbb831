// Tables hold code page 1250 bytes and the engine takes file paths as native byte strings;
// the rest of the program speaks QString.
#pragma once

#include <QString>

#include <string>

namespace lumiro::data {

QString fromTable(const std::string& text);
// Characters without a code page 1250 form become '?'.
std::string toTable(const QString& text);
// A program path (backslashes, any letter case) as the engine opens it.
std::string enginePath(const QString& programPath);

}  // namespace lumiro::data
