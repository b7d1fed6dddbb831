// UTF-8, the form of text outside the tables (file names, the program's messages).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumiro::engine {

void appendUtf8(std::string& out, char32_t codePoint);
// The code points of valid UTF-8 (no overlong forms, no surrogates); nullopt otherwise.
std::optional<std::u32string> decodeUtf8(std::string_view text);

}  // namespace lumiro::engine
