#include "data/table_layouts.h"

#include <initializer_list>
#include <sstream>

namespace lumiro::data {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;

FieldDef alpha(std::string name, int size) {
    return {std::move(name), FieldType::Alpha, size};
}
FieldDef longInt(std::string name) {
    return {std::move(name), FieldType::Long, 0};
}
FieldDef autoInc(std::string name) {
    return {std::move(name), FieldType::AutoInc, 0};
}
FieldDef money(std::string name) {
    return {std::move(name), FieldType::Money, 0};
}
FieldDef logical(std::string name) {
    return {std::move(name), FieldType::Logical, 0};
}
FieldDef number(std::string name) {
    return {std::move(name), FieldType::Number, 0};
}

IndexDef primaryKey(std::initializer_list<std::string> fields) {
    return {"", fields, true, true, false};
}
IndexDef caseInsensitive(std::string name, std::initializer_list<std::string> fields) {
    return {std::move(name), fields, false, false, true};
}

std::string numbered(const char* stem, int n) {
    return stem + std::to_string(n);
}

TableLayout makeRp7() {
    TableLayout t{"RP7", {}};
    auto& f = t.def.fields;
    f = {longInt("ZLEC"), longInt("NR")};
    for (int i = 1; i <= 41; ++i) {
        int size = 50;
        if (i == 6 || i == 26 || i == 37) size = 100;
        if (i == 28 || i == 36 || (i >= 38 && i <= 40)) size = 150;
        f.push_back(alpha(numbered("POLE", i), size));
    }
    for (int i = 1; i <= 46; ++i) f.push_back(alpha(numbered("KP", i), 50));
    for (int i = 1; i <= 7; ++i) f.push_back(alpha(numbered("R", i), 50));
    t.def.indexes = {primaryKey({"ZLEC", "NR"}), caseInsensitive("Iinx", {"ZLEC", "KP12"}),
                     caseInsensitive("Ninx", {"ZLEC", "POLE1"}),
                     caseInsensitive("Pinx", {"ZLEC", "KP11"})};
    return t;
}

TableLayout makeZar() {
    return {"ZAR",
            {{longInt("ZLEC"), longInt("NR"), alpha("POLE1", 4), autoInc("AUTO"), money("POLE2"),
              money("POLE3"), alpha("POLE4", 30), money("POLE5"), alpha("POLE6", 30),
              money("POLE7"), alpha("POLE8", 30), money("POLE9")},
             {primaryKey({"ZLEC", "NR", "POLE1", "AUTO"})}}};
}

TableLayout makeZal() {
    return {"ZAL",
            {{longInt("ZLEC"), longInt("NR"), alpha("POLE1", 10), autoInc("AUTO"),
              alpha("POLE2", 10), alpha("POLE3", 80), alpha("POLE4", 15), alpha("POLE5", 80)},
             {primaryKey({"ZLEC", "NR", "POLE1", "AUTO"})}}};
}

TableLayout makeZal2() {
    return {"ZAL2",
            {{longInt("ZLEC"), longInt("NR"), alpha("POLE2", 50), autoInc("AUTO"),
              alpha("POLE1", 50), alpha("POLE3", 50)},
             {primaryKey({"ZLEC", "NR", "POLE2", "AUTO"})}}};
}

TableLayout makeZal3() {
    TableLayout t{"ZAL3", {}};
    auto& f = t.def.fields;
    f = {longInt("ZLEC"), longInt("NR"), autoInc("AUTO")};
    constexpr int kSizes[] = {50,  100, 100, 50, 50,  50, 50, 100, 100, 100, 100, 100, 50,  50,
                              100, 50,  50,  50, 100, 50, 50, 50,  50,  100, 100, 100, 100, 100};
    int n = 1;
    for (int size : kSizes) f.push_back(alpha(numbered("POLE", n++), size));
    t.def.indexes = {primaryKey({"ZLEC", "NR", "AUTO"})};
    return t;
}

// Sizes are ours: the windows type at most 14 characters into the numbers, so each column
// leaves room for separators and foreign formats, and the name holds a long legal name.
TableLayout makeZlec() {
    return {"ZLEC",
            {{longInt("NR"), alpha("POCZTA", 100), alpha("NIP", 20), alpha("SKROT", 20),
              alpha("NAZWA1", 20), alpha("NAZWA2", 30), alpha("GMIN", 20), alpha("POW", 40)},
             {primaryKey({"NR"})}}};
}

TableLayout makeFirma() {
    TableLayout t{"FIRMA", {}};
    t.def.fields = {
        longInt("NR"),         alpha("DR", 50),     alpha("NIP", 13),
        alpha("REGON", 14),    alpha("PESEL", 11),  alpha("RHB", 50),
        alpha("SKROT", 50),    alpha("NAZWA1", 50), alpha("NAZWA2", 50),
        alpha("NAZWISKO", 30), alpha("IMIE", 20),   alpha("DATAUR", 10),
        alpha("RD", 1),        alpha("NRD", 9),     alpha("ULICA", 30),
        alpha("NUMER", 7),     alpha("LOKAL", 7),   alpha("KOD", 6),
        alpha("POCZTA", 30),   alpha("KRAJ", 30),   alpha("WOJEWODZTWO", 30),
        alpha("POWIAT", 30),   alpha("GMINA", 30),  alpha("MIEJSCOWOSC", 30),
        alpha("EMAIL", 50),    alpha("WWW", 50),    alpha("RP", 1),
        alpha("BANK", 40),     alpha("BANK2", 40),  alpha("BANK3", 40),
        alpha("ADRES1", 40),   alpha("ADRES2", 40), alpha("ADRES3", 40),
        alpha("NUM1", 40),     alpha("NUM2", 40),   alpha("NUM3", 40),
        alpha("REZERWA", 10),  longInt("DRTYP"),    longInt("DRPORT"),
        longInt("DREKS"),      longInt("DRRODZAJ"), longInt("DRPL"),
        logical("DRPODZIAL"),  longInt("DRLEWY"),   longInt("DRGORA"),
        longInt("DRLINIDOS"),  logical("DRBUFOR"),  alpha("URZAD", 50),
        alpha("KAPITAL", 30),  alpha("OBRDATA", 5), alpha("ARCHDATA", 10),
        longInt("ARCHDNI"),    logical("LOGO"),     alpha("ZAPAS1", 50),
        alpha("ZAPAS2", 50),   longInt("ZAPAS3"),   number("ZAPAS4"),
        logical("ZL1"),        logical("ZL2"),      alpha("ZULICA", 30),
        alpha("ZNUMER", 7),    alpha("ZLOKAL", 7),  alpha("ZKOD", 6),
        alpha("ZPOCZTA", 30),  alpha("ZKRAJ", 30),  alpha("ZWOJEWODZTWO", 30),
        alpha("ZPOWIAT", 30),  alpha("ZGMINA", 30), alpha("ZMIEJSCOWOSC", 30),
    };
    t.def.indexes = {primaryKey({"NR"}), caseInsensitive("Ninx", {"SKROT"})};
    return t;
}

// The parameters record as the installation supplies it. Older installations lack the last
// four columns; the parameters upgrade appends them in this order.
TableLayout makeKad() {
    return {"KAD",
            {{longInt("NR"), logical("B1"), alpha("P2", 1), longInt("L3"), longInt("L4"),
              longInt("L5"), alpha("ADATA", 10), longInt("ACYKL")},
             {primaryKey({"NR"})}}};
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (const auto& f : fields) out += (out.empty() ? "" : ";") + f;
    return out;
}

std::string describeIndex(const IndexDef& index) {
    std::ostringstream out;
    out << (index.primary ? "primary key" : "index " + index.name) << " on "
        << joinFields(index.fields) << (index.unique ? " unique" : "")
        << (index.caseInsensitive ? " case-insensitive" : "");
    return out.str();
}

bool sameIndex(const IndexDef& a, const IndexDef& b) {
    auto upper = [](std::vector<std::string> v) {
        for (auto& s : v)
            for (auto& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
        return v;
    };
    return a.primary == b.primary && (a.primary || a.name == b.name) &&
           upper(a.fields) == upper(b.fields) && a.caseInsensitive == b.caseInsensitive &&
           (a.primary || a.unique == b.unique);
}

}  // namespace

int TableLayout::columnIndex(std::string_view column) const {
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        if (def.fields[i].name == column) return int(i);
    }
    return -1;
}

const TableLayout& rp7Layout() {
    static const TableLayout layout = makeRp7();
    return layout;
}
const TableLayout& zarLayout() {
    static const TableLayout layout = makeZar();
    return layout;
}
const TableLayout& zalLayout() {
    static const TableLayout layout = makeZal();
    return layout;
}
const TableLayout& zal2Layout() {
    static const TableLayout layout = makeZal2();
    return layout;
}
const TableLayout& zal3Layout() {
    static const TableLayout layout = makeZal3();
    return layout;
}
const TableLayout& zlecLayout() {
    static const TableLayout layout = makeZlec();
    return layout;
}
const TableLayout& firmaLayout() {
    static const TableLayout layout = makeFirma();
    return layout;
}
const TableLayout& kadLayout() {
    static const TableLayout layout = makeKad();
    return layout;
}

const std::vector<const TableLayout*>& employeeTableLayouts() {
    static const std::vector<const TableLayout*> layouts = {
        &rp7Layout(), &zarLayout(), &zalLayout(), &zal2Layout(), &zal3Layout()};
    return layouts;
}

int structureTypeNumber(engine::FieldType type) {
    switch (type) {
        case FieldType::Alpha:
            return 1;  // ftString
        case FieldType::Short:
            return 2;  // ftSmallint
        case FieldType::Long:
            return 3;  // ftInteger
        case FieldType::Logical:
            return 5;  // ftBoolean
        case FieldType::Number:
            return 6;  // ftFloat
        case FieldType::Money:
            return 7;  // ftCurrency
        case FieldType::Bcd:
            return 8;  // ftBCD
        case FieldType::Date:
            return 9;  // ftDate
        case FieldType::Time:
            return 10;  // ftTime
        case FieldType::Timestamp:
            return 11;  // ftDateTime
        case FieldType::Bytes:
            return 12;  // ftBytes
        case FieldType::AutoInc:
            return 14;  // ftAutoInc
        case FieldType::Blob:
            return 15;  // ftBlob
        case FieldType::Memo:
            return 16;  // ftMemo
        case FieldType::Graphic:
            return 17;  // ftGraphic
        case FieldType::FmtMemo:
            return 18;  // ftFmtMemo
        case FieldType::Ole:
            return 19;  // ftParadoxOle
    }
    return 0;  // ftUnknown
}

std::vector<std::string> layoutDifferences(const TableLayout& layout,
                                           const std::vector<engine::FieldDef>& fields,
                                           const std::vector<engine::IndexDef>& indexes) {
    std::vector<std::string> out;
    const auto& want = layout.def.fields;
    if (fields.size() != want.size()) {
        out.push_back(std::string(layout.name) + " has " + std::to_string(fields.size()) +
                      " columns instead of " + std::to_string(want.size()));
    }
    for (std::size_t i = 0; i < std::min(fields.size(), want.size()); ++i) {
        const FieldDef& a = fields[i];
        const FieldDef& b = want[i];
        if (a.name != b.name || a.type != b.type || a.size != b.size) {
            out.push_back("column " + std::to_string(i + 1) + " is " + a.name + " " +
                          engine::typeLetter(a.type) + std::to_string(a.size) + " instead of " +
                          b.name + " " + engine::typeLetter(b.type) + std::to_string(b.size));
        }
    }
    for (const IndexDef& w : layout.def.indexes) {
        bool found = false;
        for (const IndexDef& have : indexes) found = found || sameIndex(have, w);
        if (!found) out.push_back("missing " + describeIndex(w));
    }
    for (const IndexDef& have : indexes) {
        bool known = false;
        for (const IndexDef& w : layout.def.indexes) known = known || sameIndex(have, w);
        if (!known) out.push_back("unexpected " + describeIndex(have));
    }
    return out;
}

}  // namespace lumiro::data
