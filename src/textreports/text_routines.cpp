#include "textreports/text_routines.h"

namespace lumiro::textreports {

QString Powiel(QChar ch, int n) {
    return n > 0 ? QString(n, ch) : QString();
}

QString Dopelnij(const QString& s, int n) {
    if (n <= 0) return QString();
    QString result = s.left(n);
    if (result.size() < n) result += Powiel(u' ', int(n - result.size()));
    return result;
}

QString BezSpacji(const QString& s) {
    QString result = s;
    result.remove(u' ');
    return result;
}

// clang-format off
const std::array<std::array<std::uint8_t, 4>, 18> TablicaPL = {{
    {0x61, 0x86, 0xA5, 0xB9},  // ą
    {0x41, 0x8F, 0xA4, 0xA5},  // Ą
    {0x63, 0x8D, 0x86, 0xE6},  // ć
    {0x43, 0x95, 0x8F, 0xC6},  // Ć
    {0x65, 0x91, 0xA9, 0xEA},  // ę
    {0x45, 0x90, 0xA8, 0xCA},  // Ę
    {0x6C, 0x92, 0x88, 0xB3},  // ł
    {0x4C, 0x9C, 0x9D, 0xA3},  // Ł
    {0x6F, 0xA2, 0xA2, 0xF3},  // ó
    {0x4F, 0xA3, 0xE0, 0xD3},  // Ó
    {0x7A, 0xA6, 0xAB, 0x9F},  // ź
    {0x5A, 0xA0, 0x8D, 0x8F},  // Ź
    {0x7A, 0xA7, 0xBE, 0xBF},  // ż
    {0x5A, 0xA1, 0xBD, 0xAF},  // Ż
    {0x6E, 0xA4, 0xE4, 0xF1},  // ń
    {0x4E, 0xA5, 0xE3, 0xD1},  // Ń
    {0x73, 0x9E, 0x98, 0x9C},  // ś
    {0x53, 0x98, 0x97, 0x8C},  // Ś
}};
// clang-format on

int conversionCode(int DRPL) {
    switch (DRPL) {
        case 0:
            return 30;
        case 1:
            return 31;
        case 2:
            return 32;
        default:
            return 0;
    }
}

QByteArray Polskie(const QByteArray& text, int code) {
    const int from = code / 10;
    const int to = code % 10;
    if (from < 0 || from > 3 || to < 0 || to > 3 || from == to) return text;
    QByteArray result = text;
    for (char& c : result) {
        const auto byte = static_cast<std::uint8_t>(c);
        // From the last row up: where two letters share a source byte (z in the plain column)
        // the later row decides.
        for (auto row = TablicaPL.rbegin(); row != TablicaPL.rend(); ++row) {
            if ((*row)[std::size_t(from)] == byte) {
                c = static_cast<char>((*row)[std::size_t(to)]);
                break;
            }
        }
    }
    return result;
}

}  // namespace lumiro::textreports
