// Column and index definitions of a table, in Paradox terms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumiro::engine {

// Paradox field type codes, as stored in the data file's field descriptors.
enum class FieldType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Money = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Blob = 0x0D,
    FmtMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

// Paradox's one-letter type name: A I + $ N L S D T @ # Y M B F O G.
char typeLetter(FieldType type);
std::optional<FieldType> typeFromLetter(char letter);
std::optional<FieldType> typeFromCode(std::uint8_t code);
bool isBlobType(FieldType type);  // M B F O G: data kept in the .MB file

// `size` follows Paradox's user-visible meaning: characters for Alpha, bytes for Bytes,
// decimals for BCD, the in-record leader length for blob types (1..240), 0 otherwise.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::Alpha;
    int size = 0;
    bool required = false;
};

// Bytes a field of this definition occupies in a record.
int storedSize(const FieldDef& field);
// The size Paradox writes in the field descriptor (for blob types the leader plus 10).
int descriptorSize(const FieldDef& field);
// Validates name, type and size; throws EngineError(InvalidArgument) with a Polish message.
void validateField(const FieldDef& field);

struct IndexDef {
    std::string name;                 // empty for the primary index
    std::vector<std::string> fields;  // column names, in key order
    bool primary = false;
    bool unique = false;
    bool caseInsensitive = false;
};

struct TableDef {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;  // at most one primary; it must cover the leading columns
};

}  // namespace lumiro::engine
