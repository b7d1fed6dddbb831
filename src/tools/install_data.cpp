#include "tools/install_data.h"

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "data/table_layouts.h"
#include "engine/cp1250.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::tools {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;  // column, UTF-8 text

class TableWriter {
  public:
    TableWriter(engine::Session& session, const std::string& path, const data::TableLayout& layout)
        : table_(session) {
        if (session.tableExists(path)) session.deleteTable(path);
        session.createTable(path, layout.def);
        table_.open(path, engine::AccessMode::Exclusive);
        table_.beginBatch();
    }
    ~TableWriter() {
        table_.endBatch();
        table_.close();
    }

    void add(const Fields& fields) {
        table_.append();
        for (const auto& [name, text] : fields)
            table_.setAsString(table_.field(name), engine::utf8ToCp1250(text));
        table_.post();
    }

  private:
    engine::Table table_;
};

struct Employee {
    int nr;
    const char* surname;
    const char* firstName;
    const char* father;
    const char* mother;
    const char* sex;  // K or M
    int year, month, day;
    const char* peselSerial;  // four digits after the date
    const char* nip;
    const char* idCard;
    const char* from;  // employment, year.month.day
    const char* to;
    const char* position;
    const char* profession;
    const char* street;
    const char* house;
    const char* flat;
};

const std::vector<Employee>& employees() {
    static const std::vector<Employee> list = {
        {1, "Kowalska", "Anna", "Stanisław", "Helena", "K", 1956, 3, 14, "0248", "5213045615",
         "AAB123456", "1978.09.01", "2004.12.31", "główna księgowa, pełny etat", "ekonomista",
         "Grójecka", "17", "4"},
        {2, "Wiśniewski", "Józef", "Władysław", "Zofia", "M", 1952, 11, 2, "0315", "5260213310",
         "ABE604512", "1974.03.15", "2005.06.30", "magazynier, pełny etat", "ślusarz", "Żelazna",
         "41", ""},
        {3, "Zając", "Małgorzata", "Tadeusz", "Krystyna", "K", 1960, 7, 21, "1166", "9511832249",
         "ACD778120", "1981.02.01", "", "sprzedawca, 3/4 etatu", "technik handlowiec", "Łucka", "8",
         "112"},
        {4, "Dąbrowski", "Stanisław", "Jerzy", "Wiesława", "M", 1949, 1, 30, "0573", "5342219879",
         "AAF310985", "1970.10.01", "2004.01.31", "kierowca samochodu ciężarowego, pełny etat",
         "mechanik pojazdów samochodowych", "Świętokrzyska", "30", "12"},
    };
    return list;
}

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string dotted(const Employee& e) {
    return std::to_string(e.year) + "." + twoDigits(e.month) + "." + twoDigits(e.day);
}

std::string pesel(const Employee& e) {
    // Births of the 1900s keep the plain month.
    return withPeselCheckDigit(twoDigits(e.year % 100) + twoDigits(e.month) + twoDigits(e.day) +
                               e.peselSerial);
}

void writeCompany(engine::Session& s, const std::string& folder) {
    TableWriter t(s, folder + "/FIRMA.DB", data::firmaLayout());
    Fields f = {{"NR", "1"},
                {"NIP", "526-104-08-28"},
                {"REGON", "012345675"},
                {"RHB", "KRS 0000123456, Sąd Rejonowy dla m.st. Warszawy"},
                {"SKROT", "Biuro Rachunkowe Bilans"},
                {"NAZWA1", "Biuro Rachunkowe „Bilans”"},
                {"NAZWA2", "Spółka z ograniczoną odpowiedzialnością"},
                {"ULICA", "Marszałkowska"},
                {"NUMER", "84"},
                {"LOKAL", "12"},
                {"KOD", "00-514"},
                {"POCZTA", "Warszawa"},
                {"KRAJ", "Polska"},
                {"WOJEWODZTWO", "MAZOWIECKIE"},
                {"POWIAT", "Warszawa"},
                {"GMINA", "Warszawa-Śródmieście"},
                {"MIEJSCOWOSC", "Warszawa"},
                {"EMAIL", "biuro@bilans.example.pl"},
                {"WWW", "www.bilans.example.pl"},
                {"RP", "P"},
                {"BANK", "Bank Przykładowy S.A."},
                {"ADRES1", "ul. Nowy Świat 6, 00-400 Warszawa"},
                {"NUM1", "12 1020 1026 0000 1102 0123 4567"},
                {"URZAD", "Urząd Skarbowy Warszawa-Śródmieście"},
                {"ARCHDNI", "30"},
                {"LOGO", "false"},
                {"DRPODZIAL", "false"},
                {"DRBUFOR", "false"},
                {"ZL1", "false"},
                {"ZL2", "false"}};
    for (const char* reserved : {"DRTYP", "DRPORT", "DREKS", "DRRODZAJ", "DRPL", "DRLEWY", "DRGORA",
                                 "DRLINIDOS", "ZAPAS3"})
        f.emplace_back(reserved, "0");
    f.emplace_back("ZAPAS4", "0");
    t.add(f);
}

void writeParameters(engine::Session& s, const std::string& folder) {
    TableWriter t(s, folder + "/KAD.DB", data::kadLayout());
    t.add({{"NR", "1"},
           {"B1", "false"},
           {"P2", "0"},
           {"L3", "0"},
           {"L4", "0"},
           {"L5", "0"},
           {"ACYKL", "0"}});
}

void writePayers(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/ZLEC.DB", data::zlecLayout());
    t.add({{"NR", "1"},
           {"POCZTA", "Przedsiębiorstwo Handlowe „Sokół” Sp. z o.o."},
           {"NIP", "7740001454"},
           {"SKROT", "61018820100003"},
           {"GMIN", "61018820100003"},
           {"POW", "ZUS/II/2005/0417"}});
}

void writeEmployees(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/RP7.DB", data::rp7Layout());
    for (const Employee& e : employees()) {
        const std::string name = std::string(e.surname) + " " + e.firstName;
        const std::string born =
            twoDigits(e.day) + "-" + twoDigits(e.month) + "-" + std::to_string(e.year);
        Fields f = {{"ZLEC", "1"},
                    {"NR", std::to_string(e.nr)},
                    {"POLE1", name},
                    {"POLE2", dotted(e)},
                    {"POLE3", pesel(e)},
                    {"POLE4", e.from},
                    {"POLE5", e.to},
                    {"POLE6", e.position},
                    {"POLE7", std::string(e.firstName) + " " + e.surname},
                    {"POLE29", "Płock, 2005.03.10"},
                    {"POLE33", "61018820100003"},
                    {"POLE34", "Płocku"},
                    {"POLE35", "akta osobowe, listy płac"},
                    {"KP1", e.surname},
                    {"KP2", e.firstName},
                    {"KP6", e.father},
                    {"KP7", e.mother},
                    {"KP8", born},
                    {"KP9", e.sex},
                    {"KP10", "polskie"},
                    {"KP11", pesel(e)},
                    {"KP12", e.nip},
                    {"KP13", e.idCard},
                    {"KP18", "09-400"},
                    {"KP19", "Płock"},
                    {"KP20", "Płock"},
                    {"KP21", "Płock"},
                    {"KP22", e.street},
                    {"KP23", e.house},
                    {"KP24", e.flat},
                    {"R1", e.surname},
                    {"R2", e.firstName},
                    {"R3", born},
                    {"R4", pesel(e)},
                    {"R5", e.nip},
                    {"R6", e.idCard},
                    {"R7", e.profession}};
        t.add(f);
    }
}

std::string amount(double v) {
    std::string s = std::to_string(v);
    return s.substr(0, s.find('.') + 3);
}

void writeEarnings(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/ZAR.DB", data::zarLayout());
    for (const Employee& e : employees()) {
        for (int year = 1995; year <= 1998; ++year) {
            const double fixed = 4200.0 + 950.0 * (year - 1995) + 310.0 * e.nr;
            const double bonus = year % 2 ? 600.0 + 25.0 * e.nr : 0.0;
            const double sick = e.nr == 2 && year == 1996 ? 412.36 : 0.0;
            Fields f = {{"ZLEC", "1"},
                        {"NR", std::to_string(e.nr)},
                        {"POLE1", std::to_string(year)},
                        {"POLE2", amount(fixed * 12)}};
            if (bonus > 0) {
                f.emplace_back("POLE3", amount(bonus * 4));
                f.emplace_back("POLE4", "premia kwartalna");
            }
            if (year == 1998) {
                f.emplace_back("POLE5", "850.00");
                f.emplace_back("POLE6", "nagroda jubileuszowa");
            }
            if (e.nr == 4) {
                f.emplace_back("POLE7", "240.00");
                f.emplace_back("POLE8", "deputat węglowy");
            }
            if (sick > 0) f.emplace_back("POLE9", amount(sick));
            t.add(f);
        }
    }
}

void writePeriods(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/ZAL.DB", data::zalLayout());
    for (const Employee& e : employees()) {
        t.add({{"ZLEC", "1"},
               {"NR", std::to_string(e.nr)},
               {"POLE1", std::to_string(e.year + 18) + ".09.01"},
               {"POLE2", std::to_string(e.year + 20) + ".06.30"},
               {"POLE3", "nauka w szkole ponadpodstawowej"},
               {"POLE4", "uczeń"},
               {"POLE5", "świadectwo ukończenia szkoły"}});
        t.add({{"ZLEC", "1"},
               {"NR", std::to_string(e.nr)},
               {"POLE1", e.from},
               {"POLE2", e.to},
               {"POLE3", "zatrudnienie w Przedsiębiorstwie Handlowym „Sokół”"},
               {"POLE4", "pracownik"},
               {"POLE5", "świadectwo pracy, zaświadczenie Rp-7"}});
    }
}

void writeBenefitPeriods(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/ZAL2.DB", data::zal2Layout());
    t.add({{"ZLEC", "1"},
           {"NR", "2"},
           {"POLE2", "1996.02.05"},
           {"POLE1", "zasiłek chorobowy"},
           {"POLE3", "1996.02.18"}});
    t.add({{"ZLEC", "1"},
           {"NR", "3"},
           {"POLE2", "1987.04.10"},
           {"POLE1", "zasiłek macierzyński"},
           {"POLE3", "1987.07.31"}});
}

void writeCertificate(engine::Session& s, const std::string& kadry) {
    TableWriter t(s, kadry + "/ZAL3.DB", data::zal3Layout());
    t.add({{"ZLEC", "1"},
           {"NR", "3"},
           {"POLE1", "Płock, 2005.03.10"},
           {"POLE2", "Małgorzata Zając"},
           {"POLE3", "Tadeusz, Krystyna"},
           {"POLE4", "21.07.1960 r. w Płocku"},
           {"POLE5", "Przedsiębiorstwie Handlowym „Sokół” Sp. z o.o."},
           {"POLE7", "01.02.1981 r."},
           {"POLE8", "3/4 etatu"},
           {"POLE9", "sprzedawca"},
           {"POLE13", "01.08.1987"},
           {"POLE14", "31.07.1989"},
           {"POLE15", "12.04.1987 r."},
           {"POLE16", "01.08.1989"},
           {"POLE27", "Zaświadczenie wydaje się na potrzeby ZUS."}});
}

}  // namespace

std::string withPeselCheckDigit(const std::string& tenDigits) {
    static const int weights[10] = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
    int sum = 0;
    for (int i = 0; i < 10; ++i) sum += (tenDigits.at(std::size_t(i)) - '0') * weights[i];
    return tenDigits + char('0' + (10 - sum % 10) % 10);
}

void writeInstallData(const std::string& folder) {
    const std::string kadry = folder + "/BAZA/KADRY";
    std::filesystem::create_directories(kadry);
    engine::Session session("install");
    writeCompany(session, folder);
    writeParameters(session, folder);
    writePayers(session, kadry);
    writeEmployees(session, kadry);
    writeEarnings(session, kadry);
    writePeriods(session, kadry);
    writeBenefitPeriods(session, kadry);
    writeCertificate(session, kadry);
}

}  // namespace lumiro::tools
