#include "printouts/earnings_print_buffer.h"

#include <algorithm>

#include "data/picture_format.h"
#include "data/table_text.h"
#include "engine/table.h"

namespace lumiro::printouts {

int earningsChunkSize(bool informationPages) {
    return informationPages ? 10 : 20;
}

std::vector<int> earningsChunkOffsets(int rows, int chunkSize) {
    std::vector<int> offsets{0};
    for (int k = 1; k < 3 && rows > k * chunkSize; ++k) offsets.push_back(k * chunkSize);
    return offsets;
}

int earningsRowsLeftOut(int rows, int chunkSize) {
    return std::max(0, rows - 3 * chunkSize);
}

EarningsPrintBuffer drukuj(engine::Table& Tzar, int offset) {
    EarningsPrintBuffer buffer;
    if (!Tzar.isOpen()) return buffer;
    Tzar.first();
    auto amount = [&](const char* column) {
        const int f = Tzar.fieldIndex(column);
        return f < 0 ? 0.0 : Tzar.asFloat(f);
    };
    auto text = [&](const char* column) {
        const int f = Tzar.fieldIndex(column);
        return f < 0 ? QString() : data::fieldText(Tzar, f);
    };
    int row = 0;
    std::size_t filled = 0;
    for (; !Tzar.eof(); Tzar.next(), ++row) {
        if (row < offset || filled >= buffer.rows.size()) continue;
        EarningsSlot& slot = buffer.rows[filled++];
        slot.year = text("POLE1").left(4);
        slot.pole2 = amount("POLE2");
        slot.pole3 = amount("POLE3");
        slot.pole5 = amount("POLE5");
        slot.pole7 = amount("POLE7");
        slot.pole9 = amount("POLE9");
        slot.pole10 = amount("POLE10");
        slot.pole4 = text("POLE4");
        slot.pole6 = text("POLE6");
        slot.pole8 = text("POLE8");
    }
    buffer.employeeRows = row;
    buffer.MoreThanTenRows = filled >= 11;
    return buffer;
}

namespace {

// A picture of `digits` digit positions grouped by threes, the last always shown, with or
// without grosze: 7 and true give "# ### ##9,99".
QString groupedPicture(int digits, bool grosze) {
    QString picture;
    for (int i = digits; i > 0; --i) {
        picture += i == 1 ? u'9' : u'#';
        if (i > 1 && (i - 1) % 3 == 0) picture += u' ';
    }
    return grosze ? picture + QStringLiteral(",99") : picture;
}

// The amount in the column's picture, widened by as many digit positions as it needs: an
// amount is never printed as a row of '#'.
QString fullPicture(double value, int digits, bool grosze) {
    for (int d = digits; d <= 18; ++d) {
        const QString text = data::FormatPicture(groupedPicture(d, grosze), value);
        if (!text.contains(u'#')) return text;
    }
    return data::FormatPicture(groupedPicture(digits, grosze), value);  // not a number
}

}  // namespace

QString amountText(double value, AmountColumn column) {
    if (value == 0) return {};
    const bool wide = column == AmountColumn::Wide;
    const double limit = wide ? 1'000'000'000.0 : 10'000'000.0;
    const int digits = wide ? 9 : 7;  // "### ### ##9,99", "# ### ##9,99"
    // Negative amounts keep their grosze whatever their size.
    if (value < 0) return fullPicture(value, digits, true);
    // Rounded to grosze as the picture rounds it, a value below the limit may reach it; the
    // picture with grosze then overflows, and the amount takes the picture without them.
    if (value < limit) {
        const QString text = data::FormatPicture(groupedPicture(digits, true), value);
        if (!text.contains(u'#')) return text;
    }
    // From the limit on the form shows whole złote ("# ### ### ##9"), as the large amounts of
    // the years before 1995 are. An amount with grosze keeps them: a certificate never rounds
    // what the card holds.
    const QString withGrosze = fullPicture(value, digits, true);
    if (!withGrosze.endsWith(QStringLiteral(",00"))) return withGrosze;
    return fullPicture(value, 10, false);
}

}  // namespace lumiro::printouts
