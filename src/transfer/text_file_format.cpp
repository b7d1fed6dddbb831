#include "transfer/text_file_format.h"

#include <algorithm>

#include "engine/cp1250.h"
#include "engine/utf8.h"

namespace lumiro::transfer {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

int lineOfOffset(std::string_view bytes, std::size_t offset) {
    return int(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(offset), '\n')) + 1;
}

// UTF-16 without a mark shows as ASCII letters with a NUL byte beside each.
bool looksLikeUtf16(std::string_view bytes) {
    const std::size_t probe = std::min<std::size_t>(bytes.size() & ~std::size_t(1), 64);
    if (probe < 2) return false;
    int evenNul = 0, oddNul = 0;
    for (std::size_t i = 0; i < probe; i += 2) {
        evenNul += bytes[i] == '\0';
        oddNul += bytes[i + 1] == '\0';
    }
    const int pairs = int(probe / 2);
    return evenNul * 4 >= pairs * 3 || oddNul * 4 >= pairs * 3;
}

[[noreturn]] void refuseUtf16() {
    throw TransferError(QStringLiteral(
        "Plik jest zapisany w kodowaniu UTF-16, którego import nie obsługuje. Zapisz go jako "
        "tekst w kodowaniu UTF-8 lub Windows-1250 i wczytaj ponownie."));
}

// The offset of the first byte that breaks UTF-8, or npos when the text is valid UTF-8.
std::size_t firstInvalidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return i;
        }
        if (i + std::size_t(length) > text.size()) return i;
        for (int k = 1; k < length; ++k) {
            const auto d = static_cast<unsigned char>(text[i + std::size_t(k)]);
            if ((d & 0xC0) != 0x80) return i;
            code = (code << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode.
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return i;
        i += std::size_t(length);
    }
    return std::string_view::npos;
}

}  // namespace

QString encodingName(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                          : QStringLiteral("Windows-1250");
}

FileText readFileText(std::string_view bytes, std::optional<TextEncoding> forced) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) refuseUtf16();
    const bool marked = bytes.starts_with(kUtf8Mark);
    std::string_view body = bytes.substr(marked ? kUtf8Mark.size() : 0);
    // Old editors end a text file with Ctrl+Z.
    while (!body.empty() && body.back() == '\x1A') body.remove_suffix(1);
    if (const std::size_t nul = body.find('\0'); nul != std::string_view::npos) {
        if (looksLikeUtf16(bytes)) refuseUtf16();
        throw TransferError(
            QStringLiteral("Plik nie jest plikiem tekstowym: wiersz %1 zawiera bajt zerowy.")
                .arg(lineOfOffset(bytes, nul + (marked ? kUtf8Mark.size() : 0))));
    }
    FileText text{body, TextEncoding::Cp1250, !forced.has_value()};
    const std::size_t invalid = firstInvalidUtf8(body);
    if (forced) {
        text.encoding = *forced;
    } else {
        const bool ascii = std::all_of(body.begin(), body.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (marked || (!ascii && invalid == std::string_view::npos))
            text.encoding = TextEncoding::Utf8;
    }
    if (text.encoding == TextEncoding::Utf8 && invalid != std::string_view::npos)
        throw TransferError(
            QStringLiteral("Plik nie jest poprawnym tekstem UTF-8: wiersz %1 zawiera bajty, które "
                           "nie są znakami UTF-8. Wybierz kodowanie Windows-1250.")
                .arg(lineOfOffset(body, invalid)));
    return text;
}

QString toDisplay(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    return QString::fromStdString(engine::cp1250ToUtf8(text));
}

std::string fromDisplay(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return text.toStdString();
    return engine::utf8ToCp1250(text.toStdString());
}

bool RecordReader::next() {
    values_.clear();
    unquoted_.clear();
    if (pos_ >= body_.size()) return false;
    line_ = nextLine_;

    std::vector<Span>& spans = spans_;
    spans.clear();
    const std::size_t size = body_.size();
    auto atLineEnd = [&](std::size_t at) {
        return at >= size || body_[at] == '\n' ||
               (body_[at] == '\r' && at + 1 < size && body_[at + 1] == '\n') ||
               (body_[at] == '\r' && at + 1 == size);
    };
    std::size_t at = pos_;
    if (!atLineEnd(at)) {
        for (;;) {
            if (body_[at] == '"') {
                const int opened = nextLine_;
                const std::size_t start = unquoted_.size();
                std::size_t from = at + 1;
                for (;;) {
                    const std::size_t quote = body_.find('"', from);
                    if (quote == std::string_view::npos)
                        throw TransferError(
                            QStringLiteral("Wiersz %1 pliku, kolumna %2: wartość zaczęta "
                                           "cudzysłowem nie ma cudzysłowu zamykającego do końca "
                                           "pliku. Nic nie zostało zapisane.")
                                .arg(opened)
                                .arg(spans.size() + 1));
                    const std::string_view part = body_.substr(from, quote - from);
                    nextLine_ += int(std::count(part.begin(), part.end(), '\n'));
                    unquoted_.append(part);
                    if (quote + 1 < size && body_[quote + 1] == '"') {
                        unquoted_ += '"';
                        from = quote + 2;
                        continue;
                    }
                    at = quote + 1;
                    break;
                }
                // Text between the closing quote and the separator belongs to the value, as a
                // spreadsheet reads it.
                while (!atLineEnd(at) && body_[at] != ';') unquoted_ += body_[at++];
                spans.push_back({start, unquoted_.size() - start, true});
            } else {
                const std::size_t start = at;
                while (!atLineEnd(at) && body_[at] != ';') ++at;
                spans.push_back({start, at - start, false});
            }
            if (spans.size() > std::size_t(kMaxValuesPerLine))
                throw TransferError(
                    QStringLiteral("Wiersz %1 pliku ma więcej niż %2 wartości, a wiersz może ich "
                                   "mieć najwyżej %2. Nic nie zostało zapisane.")
                        .arg(line_)
                        .arg(kMaxValuesPerLine));
            if (atLineEnd(at)) break;
            ++at;  // the ";"
            // A final ";" does not begin another value.
            if (atLineEnd(at)) break;
        }
    }
    // Past the line end.
    if (at < size && body_[at] == '\r') ++at;
    if (at < size && body_[at] == '\n') {
        ++at;
        ++nextLine_;
    }
    pos_ = at;
    values_.reserve(spans.size());
    for (const Span& s : spans)
        values_.push_back(s.unquoted ? std::string_view(unquoted_).substr(s.offset, s.length)
                                     : body_.substr(s.offset, s.length));
    return true;
}

void appendValue(std::string& out, std::string_view value) {
    if (value.find_first_of(";\"\r\n") == std::string_view::npos) {
        out.append(value);
    } else {
        out += '"';
        for (char c : value) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    out += ';';
}

}  // namespace lumiro::transfer
