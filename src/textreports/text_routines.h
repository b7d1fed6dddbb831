// String routines of the text printouts, shared with whatever else lays out fixed-width text:
// repetition, padding, removing blanks and converting the Polish letters for printers and
// files that do not speak code page 1250.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <array>
#include <cstdint>

namespace lumiro::textreports {

// n copies of ch; empty for n <= 0.
QString Powiel(QChar ch, int n);
// The first n characters of s, then blanks up to exactly n characters.
QString Dopelnij(const QString& s, int n);
// s without any blank.
QString BezSpacji(const QString& s);

// One row per Polish letter (ą Ą ć Ć ę Ę ł Ł ó Ó ź Ź ż Ż ń Ń ś Ś), one column per encoding.
enum PolishColumn : int {
    kPlainLetters = 0,  // the letter without its diacritic; ź and ż both become z
    kMazovia = 1,
    kCodePage852 = 2,
    kCodePage1250 = 3,
};
extern const std::array<std::array<std::uint8_t, 4>, 18> TablicaPL;

// The conversion code of an encoding setting (tens: the source column, units: the target
// column): 30 to plain letters, 31 to Mazovia, 32 to code page 852; 0 for no conversion.
int conversionCode(int DRPL);

// Each Polish letter of the source column (code / 10) replaced by the letter of the target
// column (code % 10); any other byte stays. The text is bytes of that source encoding.
QByteArray Polskie(const QByteArray& text, int code);

}  // namespace lumiro::textreports
