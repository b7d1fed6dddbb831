// Code page 1250 (Polish Windows) conversions and the Polish collation used by keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumiro::engine {

std::string cp1250ToUtf8(std::string_view text);
// Characters without a code page 1250 form become '?'; *lossy tells whether that happened.
std::string utf8ToCp1250(std::string_view text, bool* lossy = nullptr);

// Sort weights of code page 1250 bytes in Polish order (a ą b c ć d e ę ... ł ... ń ... ó ...
// ś ... ź ż), digits before letters, byte 0 (padding) lowest with weight 0.
//  - caseSensitiveWeight is a permutation of 0..255: distinct bytes keep distinct weights,
//    an upper-case letter sorts just before its lower-case form.
//  - caseInsensitiveWeight folds upper and lower case of a letter to one weight.
std::uint8_t caseSensitiveWeight(std::uint8_t c);
std::uint8_t caseInsensitiveWeight(std::uint8_t c);

// Upper/lower case in code page 1250 (Polish letters included).
std::uint8_t toUpper1250(std::uint8_t c);
std::uint8_t toLower1250(std::uint8_t c);

// <0, 0, >0 comparing two code page 1250 texts in Polish order.
int comparePolish(std::string_view a, std::string_view b, bool caseInsensitive);

}  // namespace lumiro::engine
