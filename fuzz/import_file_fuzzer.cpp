// The import file reader on any bytes: encoding recognition, records and quoted values, and
// the values of every column type, for a table shaped like the earnings table and for one with
// a column of every type. A TransferError is an accepted refusal. Anything else is a finding,
// and so is a broken promise of the reader:
//  - records written again with appendValue read back as the same values;
//  - every value kept for a row equals itself as the table would hold it, and its text for a
//    file reads back as the same value.
// Input: one option byte (bits 0-1: encoding recognised, code page 1250 or UTF-8 forced;
// bit 2: the table of every type), then the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/column_text.h"
#include "transfer/import_file.h"

namespace {

using lumiro::engine::FieldDef;
using lumiro::engine::FieldType;
namespace transfer = lumiro::transfer;

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

const std::vector<FieldDef>& earnings() {
    static const std::vector<FieldDef> fields = {
        {"ZLEC", FieldType::Long, 0},   {"NR", FieldType::Long, 0},
        {"POLE1", FieldType::Alpha, 4}, {"AUTO", FieldType::AutoInc, 0},
        {"POLE2", FieldType::Money, 0}, {"POLE4", FieldType::Alpha, 30}};
    return fields;
}

const std::vector<FieldDef>& everyType() {
    static const std::vector<FieldDef> fields = {
        {"K", FieldType::Alpha, 10},     {"S", FieldType::Short, 0}, {"L", FieldType::Long, 0},
        {"A", FieldType::AutoInc, 0},    {"M", FieldType::Money, 0}, {"N", FieldType::Number, 0},
        {"B", FieldType::Logical, 0},    {"D", FieldType::Date, 0},  {"T", FieldType::Time, 0},
        {"TS", FieldType::Timestamp, 0}, {"C", FieldType::Bcd, 2},   {"Y", FieldType::Bytes, 4},
        {"MO", FieldType::Memo, 20}};
    return fields;
}

void checkRecords(std::string_view body) {
    std::vector<std::vector<std::string>> first;
    std::string again;
    transfer::RecordReader reader(body);
    while (reader.next()) {
        first.emplace_back(reader.values().begin(), reader.values().end());
        for (std::string_view value : reader.values()) transfer::appendValue(again, value);
        transfer::endRecord(again);
    }
    transfer::RecordReader back(again);
    std::size_t n = 0;
    while (back.next()) {
        if (n >= first.size()) finding("a record more when read again");
        if (std::vector<std::string>(back.values().begin(), back.values().end()) != first[n])
            finding("a record read again differs");
        ++n;
    }
    if (n != first.size()) finding("a record fewer when read again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t option = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::optional<transfer::TextEncoding> forced;
    if ((option & 3) == 1) forced = transfer::TextEncoding::Cp1250;
    if ((option & 3) == 2) forced = transfer::TextEncoding::Utf8;
    const std::vector<FieldDef>& fields = option & 4 ? everyType() : earnings();
    const int keyCount = option & 4 ? 1 : 4;

    try {
        checkRecords(transfer::readFileText(bytes, forced).body);
    } catch (const transfer::TransferError&) {
    }
    try {
        const transfer::ImportRows rows =
            transfer::readImportFile(bytes, fields, int(fields.size()), keyCount, forced);
        const auto encoding = forced.value_or(transfer::readFileText(bytes).encoding);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t k = 0; k < rows.row(r).count; ++k) {
                const auto& field = fields[std::size_t(rows.fields()[k])];
                const auto value = rows.value(r, k);
                if (!rows.equals(r, k, value)) finding("a value differs from itself");
                const std::string text = transfer::valueText(field, value, encoding);
                if (transfer::valueFromText(field, text, encoding) != value)
                    finding("a value does not come back from its text");
            }
        }
    } catch (const transfer::TransferError&) {
    }
    return 0;
}
