// The printout fonts chosen by the user live in a file of fixed 268-byte records beside the
// program: a length-prefixed name of up to 255 bytes, then size, colour and style, all
// little-endian. Record N belongs to slot N.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <array>

#include "data/data_module.h"
#include "data/table_text.h"
#include "platform/program_paths.h"

namespace lumiro::data {
namespace {

constexpr qint64 kRecordSize = 268;
constexpr int kNameBytes = 255;

QByteArray encodeRecord(const platform::FontChoice& font) {
    QByteArray record(kRecordSize, '\0');
    std::string name = toTable(font.name);
    if (name.size() > std::size_t(kNameBytes)) name.resize(kNameBytes);
    record[0] = char(static_cast<unsigned char>(name.size()));
    std::copy(name.begin(), name.end(), record.begin() + 1);
    qToLittleEndian<qint32>(font.size, record.data() + 256);
    qToLittleEndian<quint32>(font.color, record.data() + 260);
    record[264] = char(font.style);
    return record;
}

platform::FontChoice decodeRecord(const std::array<char, kRecordSize>& record) {
    platform::FontChoice font;
    const auto length = static_cast<unsigned char>(record[0]);
    font.name = fromTable(std::string(record.data() + 1, length));
    font.size = qFromLittleEndian<qint32>(record.data() + 256);
    font.color = qFromLittleEndian<quint32>(record.data() + 260);
    font.style = static_cast<std::uint8_t>(record[264]);
    return font;
}

}  // namespace

QString Tdane::fontFilePath() const {
    // "LUMIRO.EXE" keeps its fonts in "LUMIRO.ft"; a program file without an extension
    // gains one.
    const QString stem = QFileInfo(env_.programFile).completeBaseName();
    return platform::resolvePath(QDir(env_.programFolder).filePath(stem + QStringLiteral(".ft")));
}

platform::FontChoice& Tdane::CzcionkaWydruku(int slot, platform::FontChoice& font, bool choose) {
    if (slot < 0) return font;
    QFile file(fontFilePath());
    if (choose) {
        if (!env_.fontChooser) return font;
        const std::optional<platform::FontChoice> chosen = env_.fontChooser->choose(font);
        if (!chosen) return font;
        if (!file.open(QIODevice::ReadWrite)) return font;
        // A position past the end extends the file; the gap reads as empty records.
        if (!file.seek(slot * kRecordSize) || file.write(encodeRecord(*chosen)) != kRecordSize) {
            return font;
        }
        file.close();
        font = *chosen;
        return font;
    }
    if (!file.open(QIODevice::ReadOnly) || !file.seek(slot * kRecordSize)) return font;
    std::array<char, kRecordSize> record{};
    if (file.read(record.data(), kRecordSize) != kRecordSize) return font;
    font = decodeRecord(record);
    return font;
}

}  // namespace lumiro::data
