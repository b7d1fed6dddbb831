#include "schema.h"

#include "cp1250.h"
#include "error.h"

namespace lumiro::engine {

namespace {

// Paradox's own limits on field definitions.
constexpr int kMaxAlpha = 255;
constexpr int kMaxBcdDecimals = 32;
constexpr int kMaxBlobLeader = 240;
constexpr int kMaxBytes = 255;
constexpr std::size_t kMaxNameLength = 25;

std::string quoted(const std::string& name) {
    return "„" + cp1250ToUtf8(name) + "”";
}

}  // namespace

char typeLetter(FieldType type) {
    switch (type) {
        case FieldType::Alpha:
            return 'A';
        case FieldType::Long:
            return 'I';
        case FieldType::AutoInc:
            return '+';
        case FieldType::Money:
            return '$';
        case FieldType::Number:
            return 'N';
        case FieldType::Logical:
            return 'L';
        case FieldType::Short:
            return 'S';
        case FieldType::Date:
            return 'D';
        case FieldType::Time:
            return 'T';
        case FieldType::Timestamp:
            return '@';
        case FieldType::Bcd:
            return '#';
        case FieldType::Bytes:
            return 'Y';
        case FieldType::Memo:
            return 'M';
        case FieldType::Blob:
            return 'B';
        case FieldType::FmtMemo:
            return 'F';
        case FieldType::Ole:
            return 'O';
        case FieldType::Graphic:
            return 'G';
    }
    return '?';
}

std::optional<FieldType> typeFromLetter(char letter) {
    switch (letter) {
        case 'A':
        case 'a':
            return FieldType::Alpha;
        case 'I':
        case 'i':
            return FieldType::Long;
        case '+':
            return FieldType::AutoInc;
        case '$':
            return FieldType::Money;
        case 'N':
        case 'n':
            return FieldType::Number;
        case 'L':
        case 'l':
            return FieldType::Logical;
        case 'S':
        case 's':
            return FieldType::Short;
        case 'D':
        case 'd':
            return FieldType::Date;
        case 'T':
        case 't':
            return FieldType::Time;
        case '@':
            return FieldType::Timestamp;
        case '#':
            return FieldType::Bcd;
        case 'Y':
        case 'y':
            return FieldType::Bytes;
        case 'M':
        case 'm':
            return FieldType::Memo;
        case 'B':
        case 'b':
            return FieldType::Blob;
        case 'F':
        case 'f':
            return FieldType::FmtMemo;
        case 'O':
        case 'o':
            return FieldType::Ole;
        case 'G':
        case 'g':
            return FieldType::Graphic;
        default:
            return std::nullopt;
    }
}

std::optional<FieldType> typeFromCode(std::uint8_t code) {
    switch (code) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
        case 0x06:
        case 0x09:
        case 0x0C:
        case 0x0D:
        case 0x0E:
        case 0x0F:
        case 0x10:
        case 0x14:
        case 0x15:
        case 0x16:
        case 0x17:
        case 0x18:
            return FieldType(code);
        default:
            return std::nullopt;
    }
}

bool isBlobType(FieldType type) {
    switch (type) {
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            return true;
        default:
            return false;
    }
}

int storedSize(const FieldDef& field) {
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            return field.size;
        case FieldType::Short:
            return 2;
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time:
            return 4;
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp:
            return 8;
        case FieldType::Logical:
            return 1;
        case FieldType::Bcd:
            return 17;
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            return field.size + 10;
    }
    return 0;
}

int descriptorSize(const FieldDef& field) {
    // BCD is the one type whose descriptor holds something other than the stored length.
    return field.type == FieldType::Bcd ? field.size : storedSize(field);
}

void validateField(const FieldDef& field) {
    if (field.name.empty()) fail(ErrorCode::InvalidArgument, "Nazwa kolumny nie może być pusta.");
    if (field.name.size() > kMaxNameLength)
        fail(ErrorCode::InvalidArgument, "Nazwa kolumny " + quoted(field.name) +
                                             " jest za długa (najwyżej " +
                                             std::to_string(kMaxNameLength) + " znaków).");
    if (field.name.find('\0') != std::string::npos)
        fail(ErrorCode::InvalidArgument,
             "Nazwa kolumny " + quoted(field.name) + " zawiera niedozwolony znak.");
    if (!typeFromCode(std::uint8_t(field.type)))
        fail(ErrorCode::InvalidArgument, "Kolumna " + quoted(field.name) + " ma nieznany typ.");

    auto checkRange = [&](int lo, int hi, const char* what) {
        if (field.size < lo || field.size > hi)
            fail(ErrorCode::InvalidArgument,
                 "Kolumna " + quoted(field.name) + " typu " + typeLetter(field.type) + ": " + what +
                     " musi wynosić od " + std::to_string(lo) + " do " + std::to_string(hi) +
                     " (podano " + std::to_string(field.size) + ").");
    };
    switch (field.type) {
        case FieldType::Alpha:
            checkRange(1, kMaxAlpha, "długość");
            break;
        case FieldType::Bytes:
            checkRange(1, kMaxBytes, "długość");
            break;
        case FieldType::Bcd:
            checkRange(0, kMaxBcdDecimals, "liczba miejsc po przecinku");
            break;
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            checkRange(1, kMaxBlobLeader, "długość części w rekordzie");
            break;
        default:
            if (field.size != 0)
                fail(ErrorCode::InvalidArgument,
                     "Kolumna " + quoted(field.name) + " typu " + typeLetter(field.type) +
                         " nie przyjmuje rozmiaru (podano " + std::to_string(field.size) + ").");
    }
}

}  // namespace lumiro::engine
