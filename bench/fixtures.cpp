#include "fixtures.h"

#include <sys/statfs.h>

#include <linux/magic.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "engine/cp1250.h"
#include "engine/error.h"

namespace lumiro::bench {

using namespace engine;

namespace {

FieldDef column(const std::string& name, FieldType type, int size = 0) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

IndexDef secondary(const std::string& name, std::vector<std::string> fields) {
    IndexDef d;
    d.name = name;
    d.fields = std::move(fields);
    d.caseInsensitive = true;
    return d;
}

// Appending avoids a false -Wrestrict of GCC 12 on "literal" + std::string.
std::string numbered(const char* prefix, int n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

int rp7PoleSize(int n) {
    switch (n) {
        case 6:
        case 26:
        case 37:
            return 100;
        case 28:
        case 36:
        case 38:
        case 39:
        case 40:
            return 150;
        default:
            return 50;
    }
}

// Lists are written in UTF-8 for readability and converted once.
std::vector<std::string> cp(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* s : utf8) out.push_back(utf8ToCp1250(s));
    return out;
}

const std::vector<std::string>& surnameStems() {
    // Stems that take -ski/-ska or -cki/-cka are marked by a trailing '-'.
    static const auto list = cp({
        "Nowak",     "Kowal-",    "Wiśniew-",    "Wójcik",     "Kowalczyk", "Kamiń-",
        "Lewandow-", "Zieliń-",   "Szymań-",     "Woźniak",    "Dąbrow-",   "Kozłow-",
        "Jankow-",   "Mazur",     "Wojciechow-", "Kwiatkow-",  "Krawczyk",  "Kaczmarek",
        "Piotrow-",  "Grabow-",   "Zając",       "Pawłow-",    "Michal-",   "Król",
        "Wieczorek", "Jabłoń-",   "Wróbel",      "Nowakow-",   "Majew-",    "Olszew-",
        "Stępień",   "Malinow-",  "Jaworski",    "Adamczyk",   "Dudek",     "Nowic",
        "Pawlak",    "Gór-",      "Witkow-",     "Walczak",    "Sikora",    "Baran",
        "Rutkow-",   "Michalak",  "Szewczyk",    "Ostrow-",    "Tomaszew-", "Pietrzak",
        "Zalew-",    "Wróblew-",  "Jasiń-",      "Marciniak",  "Bąk",       "Zawadz",
        "Sadow-",    "Jakubow-",  "Duda",        "Włodarczyk", "Chmielew-", "Borkow-",
        "Sokołow-",  "Szczepań-", "Sawic",       "Lis",        "Kuchar-",   "Mazurek",
        "Kubiak",    "Kalinow-",  "Wysoc",       "Żak",        "Ćwikliń-",  "Łuczak",
        "Śliwiń-",   "Źrebiec",   "Ślusarczyk",  "Łukasik",    "Żukow-",    "Ścibor",
        "Ożóg",      "Gąsior",    "Bieleć",      "Czyż",       "Ćwiek",     "Łazar-",
    });
    return list;
}

const std::vector<std::string>& maleNames() {
    static const auto list =
        cp({"Jan",      "Piotr",  "Krzysztof", "Andrzej",   "Tomasz",    "Paweł",   "Michał",
            "Marcin",   "Łukasz", "Grzegorz",  "Józef",     "Stanisław", "Mikołaj", "Wojciech",
            "Zbigniew", "Jerzy",  "Tadeusz",   "Kazimierz", "Ryszard",   "Bogusław"});
    return list;
}

const std::vector<std::string>& femaleNames() {
    static const auto list =
        cp({"Anna",     "Maria",    "Katarzyna", "Małgorzata", "Agnieszka", "Barbara", "Ewa",
            "Krystyna", "Elżbieta", "Zofia",     "Joanna",     "Jadwiga",   "Teresa",  "Danuta",
            "Halina",   "Irena",    "Beata",     "Grażyna",    "Bożena",    "Urszula"});
    return list;
}

const std::vector<std::string>& towns() {
    static const auto list = cp({"Warszawa",
                                 "Kraków",
                                 "Łódź",
                                 "Wrocław",
                                 "Poznań",
                                 "Gdańsk",
                                 "Szczecin",
                                 "Bydgoszcz",
                                 "Lublin",
                                 "Białystok",
                                 "Katowice",
                                 "Częstochowa",
                                 "Radom",
                                 "Toruń",
                                 "Sosnowiec",
                                 "Kielce",
                                 "Rzeszów",
                                 "Gliwice",
                                 "Olsztyn",
                                 "Bielsko-Biała",
                                 "Zielona Góra",
                                 "Ruda Śląska",
                                 "Gorzów Wielkopolski",
                                 "Elbląg",
                                 "Płock",
                                 "Wałbrzych",
                                 "Włocławek",
                                 "Tarnów",
                                 "Koszalin",
                                 "Grudziądz",
                                 "Słupsk",
                                 "Żyrardów",
                                 "Świdnica"});
    return list;
}

const std::vector<std::string>& streets() {
    static const auto list = cp({"ul. Kościuszki",    "ul. Mickiewicza",  "ul. Słowackiego",
                                 "ul. Piłsudskiego",  "ul. Długa",        "ul. Polna",
                                 "ul. Leśna",         "ul. Ogrodowa",     "ul. Lipowa",
                                 "ul. Szkolna",       "ul. Źródlana",     "ul. Żeromskiego",
                                 "ul. Świętokrzyska", "ul. Grunwaldzka",  "al. Wojska Polskiego",
                                 "ul. 3 Maja",        "ul. Sienkiewicza", "os. Tysiąclecia",
                                 "ul. Łąkowa",        "pl. Wolności"});
    return list;
}

const std::vector<std::string>& jobs() {
    static const auto list =
        cp({"specjalista ds. kadr i płac", "główna księgowa", "kierowca", "magazynier", "ślusarz",
            "spawacz", "sprzedawca", "pielęgniarka", "nauczyciel", "inżynier budowy",
            "operator wózka widłowego", "tokarz", "murarz", "technolog żywności", "referent",
            "kierownik zmiany"});
    return list;
}

const std::vector<std::string>& remarks() {
    static const auto list =
        cp({"świadectwo pracy wydane", "zaświadczenie o zatrudnieniu złożone",
            "okres składkowy potwierdzony", "wniosek o kapitał początkowy przyjęty",
            "brak dokumentów z lat 1981-1985", "praca w szczególnych warunkach",
            "urlop bezpłatny – nie wlicza się", "umowa zlecenie, składki opłacone",
            "przeniesiony z zakładu w Łodzi", "dokumenty do uzupełnienia"});
    return list;
}

const std::vector<std::string>& earningsTitles() {
    static const auto list =
        cp({"wynagrodzenie zasadnicze", "premia uznaniowa", "dodatek stażowy",
            "wynagrodzenie chorobowe", "nagroda jubileuszowa", "dodatek za pracę w nocy",
            "ekwiwalent za urlop", "godziny nadliczbowe", "zasiłek macierzyński"});
    return list;
}

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string dateText(int y, int m, int d) {
    return std::to_string(y) + "-" + twoDigits(m) + "-" + twoDigits(d);
}

}  // namespace

TableDef rp7Definition() {
    TableDef def;
    def.fields.push_back(column("ZLEC", FieldType::Long));
    def.fields.push_back(column("NR", FieldType::Long));
    for (int n = 1; n <= 41; ++n)
        def.fields.push_back(column(numbered("POLE", n), FieldType::Alpha, rp7PoleSize(n)));
    for (int n = 1; n <= 46; ++n)
        def.fields.push_back(column(numbered("KP", n), FieldType::Alpha, 50));
    for (int n = 1; n <= 7; ++n)
        def.fields.push_back(column(numbered("R", n), FieldType::Alpha, 50));
    IndexDef primary;
    primary.primary = primary.unique = true;
    primary.fields = {"ZLEC", "NR"};
    def.indexes = {primary, secondary("Iinx", {"ZLEC", "KP12"}),
                   secondary("Ninx", {"ZLEC", "POLE1"}), secondary("Pinx", {"ZLEC", "KP11"})};
    return def;
}

TableDef zarDefinition() {
    TableDef def;
    def.fields = {column("ZLEC", FieldType::Long),       column("NR", FieldType::Long),
                  column("POLE1", FieldType::Alpha, 4),  column("AUTO", FieldType::AutoInc),
                  column("POLE2", FieldType::Money),     column("POLE3", FieldType::Money),
                  column("POLE4", FieldType::Alpha, 30), column("POLE5", FieldType::Money),
                  column("POLE6", FieldType::Alpha, 30), column("POLE7", FieldType::Money),
                  column("POLE8", FieldType::Alpha, 30), column("POLE9", FieldType::Money)};
    IndexDef primary;
    primary.primary = primary.unique = true;
    primary.fields = {"ZLEC", "NR", "POLE1", "AUTO"};
    def.indexes = {primary};
    return def;
}

PolishData::PolishData(std::uint32_t seed) : rng_(seed) {}

std::string PolishData::pick(const std::vector<std::string>& list) {
    return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng_)];
}

std::string PolishData::pesel(bool male) {
    std::uniform_int_distribution<int> year(1945, 1999), month(1, 12), day(1, 28), serial(0, 999),
        sexDigit(0, 4);
    int y = year(rng_);
    std::string d = twoDigits(y % 100) + twoDigits(month(rng_)) + twoDigits(day(rng_));
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", serial(rng_));
    d += buf;
    d += char('0' + sexDigit(rng_) * 2 + (male ? 1 : 0));
    static const int weights[10] = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
    int sum = 0;
    for (int i = 0; i < 10; ++i) sum += (d[std::size_t(i)] - '0') * weights[i];
    d += char('0' + (10 - sum % 10) % 10);
    return d;
}

Rp7Row PolishData::rp7Row(int n, int payers) {
    Rp7Row row;
    row.zlec = 1 + n % payers;
    row.nr = 1 + n / payers;
    row.texts.assign(41 + 46 + 7, std::string());
    auto pole = [&](int k) -> std::string& { return row.texts[std::size_t(k - 1)]; };
    auto kp = [&](int k) -> std::string& { return row.texts[std::size_t(41 + k - 1)]; };
    auto r = [&](int k) -> std::string& { return row.texts[std::size_t(41 + 46 + k - 1)]; };

    bool male = rng_() % 2 == 0;
    std::string stem = pick(surnameStems());
    std::string surname = stem;
    if (stem.back() == '-') {
        surname.pop_back();
        surname += male ? "ski" : "ska";
    } else if (stem == "Nowic" || stem == "Zawadz" || stem == "Sawic" || stem == "Wysoc") {
        surname += male ? "ki" : "ka";
    }
    std::uniform_int_distribution<int> year(1945, 1999), month(1, 12), day(1, 28), number(1, 180),
        postal(0, 99), postal3(0, 999);
    const auto& names = male ? maleNames() : femaleNames();

    pole(1) = surname;
    pole(2) = pick(names);
    if (rng_() % 3 == 0) pole(3) = pick(names);
    pole(4) = male ? surname : pick(surnameStems());
    if (pole(4).back() == '-') pole(4).pop_back(), pole(4) += "ska";
    pole(5) = pick(maleNames());
    pole(6) = pick(towns()) + utf8ToCp1250(", województwo ") + pick(towns());
    pole(7) = dateText(year(rng_), month(rng_), day(rng_));
    pole(8) = utf8ToCp1250("polskie");
    pole(9) = twoDigits(postal(rng_)) + "-" + std::to_string(100 + postal3(rng_) % 900);
    pole(10) = pick(towns());
    pole(11) = pick(streets());
    pole(12) = std::to_string(number(rng_));
    if (rng_() % 2) pole(13) = std::to_string(number(rng_));
    pole(14) = "+48 " + std::to_string(500000000 + rng_() % 300000000);
    pole(26) = pick(jobs());
    pole(27) = dateText(year(rng_) + 18, month(rng_), 1);
    pole(28) = utf8ToCp1250("Przedsiębiorstwo Produkcyjno-Handlowe „") + pick(towns()) +
               utf8ToCp1250("” Sp. z o.o., ") + pick(streets()) + " " +
               std::to_string(number(rng_));
    pole(36) = pick(remarks());
    if (rng_() % 4 == 0) pole(38) = pick(remarks()) + "; " + pick(remarks());

    kp(1) = pole(2) + " " + surname;
    kp(2) = dateText(year(rng_) + 20, month(rng_), day(rng_));
    kp(3) = dateText(2023, month(rng_), day(rng_));
    kp(11) = pesel(male);
    std::string card;
    for (int i = 0; i < 3; ++i) card += char('A' + rng_() % 26);
    card += std::to_string(100000 + rng_() % 900000);
    kp(12) = card;
    kp(13) = std::to_string(1000000000ull + rng_() % 8999999999ull);  // NIP-like
    for (int k = 20; k <= 30; ++k)
        if (rng_() % 3 == 0)
            kp(k) = std::to_string(rng_() % 400000 / 100) + "," + twoDigits(int(rng_() % 100));
    r(1) = male ? "M" : "K";
    r(2) = std::to_string(year(rng_));
    return row;
}

ZarRow PolishData::zarRow(int n) {
    ZarRow row;
    // 20 years of earnings for each employee, 5,000 employees per payer.
    int employee = n / 20;
    row.zlec = 1 + employee / 5000;
    row.nr = 1 + employee % 5000;
    row.year = std::to_string(1980 + n % 20);
    std::uniform_int_distribution<int> cents(150000, 900000);
    for (double& a : row.amounts) a = cents(rng_) / 100.0;
    for (auto& t : row.texts) t = pick(earningsTitles());
    return row;
}

std::string PolishData::surnamePrefix() {
    std::string stem = pick(surnameStems());
    if (stem.back() == '-') stem.pop_back();
    std::size_t len = 1 + rng_() % std::min<std::size_t>(4, stem.size());
    std::string prefix = stem.substr(0, len);
    for (char& c : prefix)
        if (rng_() % 2) c = char(toLower1250(std::uint8_t(c)));
    return prefix;
}

std::string PolishData::remark() {
    return pick(remarks());
}

void fillRp7(Table& table, const Rp7Row& row) {
    table.setValue(0, Value{row.zlec});
    table.setValue(1, Value{row.nr});
    for (std::size_t i = 0; i < row.texts.size(); ++i)
        table.setValue(int(i) + 2, row.texts[i].empty() ? Value{} : Value{row.texts[i]});
}

void fillZar(Table& table, const ZarRow& row) {
    table.setValue(0, Value{row.zlec});
    table.setValue(1, Value{row.nr});
    table.setValue(2, Value{row.year});
    table.setValue(4, Value{row.amounts[0]});
    table.setValue(5, Value{row.amounts[1]});
    table.setValue(6, Value{row.texts[0]});
    table.setValue(7, Value{row.amounts[2]});
    table.setValue(8, Value{row.texts[1]});
    table.setValue(9, Value{row.amounts[3]});
    table.setValue(10, Value{row.texts[2]});
    table.setValue(11, Value{row.amounts[0] + row.amounts[1] + row.amounts[2] + row.amounts[3]});
}

void buildRp7(Session& session, const std::string& path, int rows, int payers) {
    session.createTable(path, rp7Definition());
    Table t(session);
    t.open(path, AccessMode::Exclusive);
    PolishData data;
    t.beginBatch();
    for (int n = 0; n < rows; ++n) {
        t.append();
        fillRp7(t, data.rp7Row(n, payers));
        t.post();
    }
    t.endBatch();
    t.close();
}

ScratchDir::ScratchDir() {
    std::string base;
    if (const char* dir = std::getenv("LUMIRO_BENCH_DIR"); dir && *dir) {
        base = dir;
        std::filesystem::create_directories(base);
    } else {
        base = std::filesystem::temp_directory_path().string();
    }
    std::string pattern = base + "/lumiro-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed under " + base);
    path_ = std::filesystem::absolute(buf.data()).string();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::fileSystem() const {
    struct statfs st;
    if (statfs(path_.c_str(), &st) != 0) return "?";
    switch (st.f_type) {
        case TMPFS_MAGIC:
            return "tmpfs";
        case EXT4_SUPER_MAGIC:
            return "ext4";
        case XFS_SUPER_MAGIC:
            return "xfs";
        case BTRFS_SUPER_MAGIC:
            return "btrfs";
        case OVERLAYFS_SUPER_MAGIC:
            return "overlayfs";
        default: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(st.f_type));
            return buf;
        }
    }
}

std::uint64_t fileBytes(const std::string& path) {
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

std::uint64_t tableBytes(Session& session, const std::string& path) {
    std::uint64_t total = 0;
    for (const auto& f : session.companionFiles(session.resolveDataPath(path)))
        total += fileBytes(f);
    return total;
}

}  // namespace lumiro::bench
