// The semicolon-separated text files of import and export. One record a line, ended by CR LF
// on writing (LF alone and a final line without an end are read too); the first record is the
// heading with the column names. Each value is followed by ";". A value holding ";", a double
// quote or a line break is written in double quotes with its quotes doubled, as spreadsheets
// write it, and such a value may span lines; an unquoted value is taken as it stands. A
// record's final ";" never starts another value, while the text after a record's last ";" is
// its last value (spreadsheets leave that ";" out).
//
// Files are written in code page 1250 or in UTF-8 with a byte-order mark; reading recognises
// either. The reader works on the file's bytes as they are: the separators are ASCII in both
// encodings, and the values are converted only when the table takes them.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumiro::transfer {

// A line holds at most this many values.
inline constexpr int kMaxValuesPerLine = 100;

enum class TextEncoding { Cp1250, Utf8 };

// "Windows-1250" or "UTF-8", as the window and the messages name them.
QString encodingName(TextEncoding encoding);

// A file or a value that cannot be taken; the message is for the user, in Polish.
class TransferError : public std::runtime_error {
  public:
    explicit TransferError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

// The body of a file: its bytes without a UTF-8 byte-order mark and without the Ctrl+Z that
// old editors put at the end, and the encoding they are in. Points into the bytes given.
struct FileText {
    std::string_view body;
    TextEncoding encoding = TextEncoding::Cp1250;
    bool detected = true;  // false when the encoding was forced
};

// Without `forced`: a byte-order mark, or valid UTF-8 holding characters beyond ASCII, means
// UTF-8; anything else is code page 1250. With `forced`, that encoding; UTF-8 must then be
// valid. Throws TransferError for UTF-16, for bytes that are no text (NUL), and for invalid
// UTF-8 where UTF-8 is required, naming the line.
FileText readFileText(std::string_view bytes, std::optional<TextEncoding> forced = {});

// Text of the file's encoding as the program shows it, and back. Code page 1250 bytes that
// stand for no character show as U+FFFD; characters code page 1250 has no form for become '?'.
QString toDisplay(std::string_view text, TextEncoding encoding);
std::string fromDisplay(const QString& text, TextEncoding encoding);

// Reads the records of a file body one after the other.
class RecordReader {
  public:
    explicit RecordReader(std::string_view body) : body_(body) {}

    // Moves to the next record; false at the end of the body. A blank line is a record
    // without values. Throws TransferError when a quoted value is never closed, or when a
    // record has more than kMaxValuesPerLine values.
    bool next();
    // The line the current record begins on (the heading is line 1).
    int line() const { return line_; }
    // Its values, unquoted; they stay valid until the next call of next().
    const std::vector<std::string_view>& values() const { return values_; }
    // The bytes of the body read so far.
    std::size_t position() const { return pos_; }

  private:
    std::string_view body_;
    std::size_t pos_ = 0;
    int nextLine_ = 1;
    int line_ = 0;
    std::vector<std::string_view> values_;
    // Unquoted values, which differ from the bytes of the file; values_ points into it.
    std::string unquoted_;
    // Where each value is: in the body, or (quoted) in unquoted_. The views into unquoted_ are
    // made at the end of a record, when it no longer grows.
    struct Span {
        std::size_t offset, length;
        bool unquoted;
    };
    std::vector<Span> spans_;
};

// Appends one value and its ";", in double quotes when it holds ";", a quote or a line break.
void appendValue(std::string& out, std::string_view value);
// The record end the program writes.
inline void endRecord(std::string& out) {
    out += "\r\n";
}

}  // namespace lumiro::transfer
