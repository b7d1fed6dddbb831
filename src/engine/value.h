// A single column value as the engine hands it out and takes it in.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace lumiro::engine {

// Interpretation depends on the column type:
//   Alpha, Memo, FmtMemo      -> std::string (code page 1250 bytes)
//   Bytes, Blob, Ole, Graphic -> std::string (raw bytes)
//   Short, Long, AutoInc      -> std::int64_t
//   Date                      -> std::int64_t, days with 1 = 0001-01-01 (proleptic Gregorian)
//   Time                      -> std::int64_t, milliseconds since midnight
//   Money, Number             -> double
//   Timestamp                 -> double, milliseconds since 0001-01-01 00:00 minus one day
//                                (Paradox's own count; day 1 starts at 86,400,000)
//   Bcd                       -> std::string, a decimal text such as "-12.3400"
//   Logical                   -> bool
//   null                      -> std::monostate
using Value = std::variant<std::monostate, std::int64_t, double, bool, std::string>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

}  // namespace lumiro::engine
