// The semicolon-separated text files of import and export: one record a line, each value
// followed by ";", no quoting. The first line is the heading with the column names. Files are
// written in code page 1250 or in UTF-8 with a byte-order mark, lines ended by CR LF; reading
// accepts either encoding and LF alone.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

#include "engine/schema.h"
#include "engine/value.h"

namespace lumiro::transfer {

// A line holds at most this many values.
inline constexpr int kMaxValuesPerLine = 100;

enum class TextEncoding { Cp1250, Utf8 };

// A file or a value that cannot be taken; the message is for the user, in Polish.
class TransferError : public std::runtime_error {
  public:
    explicit TransferError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Cp1250;
};

// The text of a file's bytes. A UTF-8 byte-order mark, or valid UTF-8 holding characters
// beyond ASCII, is read as UTF-8; anything else as code page 1250. UTF-16 and files that are
// not text (NUL bytes, control characters) throw TransferError naming the line.
DecodedText decodeText(const QByteArray& bytes);
// The bytes of a file's text; UTF-8 gets its byte-order mark. Characters code page 1250 has
// no form for become '?'.
QByteArray encodeText(const QString& text, TextEncoding encoding);

// The lines of a text, split at LF with a CR before it removed. A final line end does not
// start another line.
QStringList splitLines(const QString& text);

// The values of a line: each ends at its ";". The text after the last ";" is dropped unless
// `lastCounts` (a file saved without the final ";", which the heading shows).
QStringList splitValues(const QString& line, bool lastCounts);

// The heading's column names, and whether each line's text after its last ";" is a value:
// it is when the heading does not end with ";" itself.
struct Heading {
    QStringList names;
    bool lastCounts = false;
};
Heading readHeading(const QString& line);

// An amount as a Polish spreadsheet reads it: no grouping, a decimal comma, two decimals.
QString amountText(double value);
// An amount with a decimal comma or point, optionally signed, blanks between thousands
// allowed; rounded to whole grosze. Nullopt when it is no amount.
std::optional<double> parseAmount(const QString& text);

// A column value in the file's text form: texts as stored, whole numbers in digits, amounts
// as amountText, other types as the program shows them. Null is empty.
QString valueToText(const engine::FieldDef& field, const engine::Value& value);
// The value of a file text for the column; empty text is null. Throws TransferError with the
// reason (without line or column) when the column cannot take the text.
engine::Value valueFromText(const engine::FieldDef& field, const QString& text);

// A text that would break a line of the file (";" or a line break), and what it becomes when
// the user lets them be replaced: ";" by ",", each line break by a blank.
bool breaksLine(const QString& text);
QString mendForLine(const QString& text);

}  // namespace lumiro::transfer
