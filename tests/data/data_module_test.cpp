#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "data/structure_update.h"
#include "data/table_text.h"
#include "data_fixture.h"
#include "engine/error.h"
#include "support/paradox_table_file.h"

namespace lumiro::data::test {
namespace {

using namespace Qt::StringLiterals;

using engine::TableState;
using platform::MessageIcon;
using platform::MessageResult;

class DataModule : public DataFixture {};

QByteArray readAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString openError(const QString& description, const QString& name) {
    return QStringLiteral("Błąd otwarcia bazy : ") + description + u'\n' +
           QStringLiteral("Baza : ") + name + QStringLiteral(".DB\n") +
           QStringLiteral("Użyj polecenia Narzędzia/Naprawa indeksów.\n") +
           QStringLiteral("Jeżeli bład się powtórzy odtwórz dane z ARCHIWUM");
}

TEST_F(DataModule, NormalStartOpensAndRegistersEveryTableInOrder) {
    makeProgramTables();
    makeEmployeeTables();
    auto module = start();

    EXPECT_TRUE(prompter.questions().empty());
    EXPECT_FALSE(values.Przerwij);
    EXPECT_EQ(values.SciezkaDanych, dataRoot());
    EXPECT_EQ(module->EtykietaFirmy, QStringLiteral("Firma"));
    const QString kadry = dataRoot() + QStringLiteral("BAZA\\KADRY\\");
    const std::vector<QString> registered(module->RejestrTabel.begin(),
                                          module->RejestrTabel.begin() + 8);
    EXPECT_EQ(registered,
              (std::vector<QString>{QStringLiteral("7"), QStringLiteral("FIRMA"), kadry + u"RP7"_s,
                                    kadry + u"ZAR"_s, kadry + u"ZLEC"_s, kadry + u"ZAL"_s,
                                    kadry + u"ZAL2"_s, kadry + u"ZAL3"_s}));
    for (engine::Table* t :
         {&module->TFIRMA, &module->TPARA, &module->TRP7, &module->WRP7, &module->Tzar,
          &module->TZlec, &module->TZal, &module->Tzal2, &module->TZal3}) {
        EXPECT_TRUE(t->isOpen());
    }
    // The empty print flag is settled once, and the structure files appear beside each
    // described table but not beside the parameters table.
    EXPECT_FALSE(module->TPARA.isNull(module->TPARA.field("B1")));
    EXPECT_TRUE(QFileInfo::exists(root() + u"/FIRMA.STR"_s));
    EXPECT_TRUE(QFileInfo::exists(root() + u"/BAZA/KADRY/ZAL3.STR"_s));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/KAD.STR"_s));
    EXPECT_EQ(module->WybraneNR, std::vector<std::int32_t>{0});
}

TEST_F(DataModule, FreshFolderRunsTheStructureUpdateAndReportsOnlyThePayers) {
    makeProgramTables();
    int updates = 0;
    Tdane::Environment env;
    env.Aktualizacja = [&](Tdane& module) {
        ++updates;
        EXPECT_EQ(module.RejestrTabel[0], QStringLiteral("1"));  // FIRMA only so far
        QDir(root()).mkpath(QStringLiteral("BAZA/KADRY"));
        for (const TableLayout* layout : employeeTableLayouts()) {
            makeTable("BAZA/KADRY/" + std::string(layout->name), layout->def);
        }
    };
    auto module = start(std::move(env));

    EXPECT_EQ(updates, 1);
    EXPECT_TRUE(module->TRP7.isOpen());
    EXPECT_FALSE(module->TZlec.isOpen());
    EXPECT_EQ(texts(),
              (std::vector<QString>{openError(QStringLiteral("Baza danych o pracodawcy"),
                                              dataRoot() + QStringLiteral("BAZA\\KADRY\\ZLEC"))}));
    EXPECT_EQ(prompter.questions()[0].icon, MessageIcon::Error);
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("7"));
}

TEST_F(DataModule, DamagedEmployeeTableIsReportedWithoutAStructureUpdate) {
    makeProgramTables();
    makeEmployeeTables();
    QFile damaged(QString::fromStdString(file("BAZA/KADRY/RP7.DB")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(100, 'x'));
    damaged.close();

    Tdane::Environment env;
    env.Aktualizacja = [](Tdane&) { ADD_FAILURE() << "structure update over existing data"; };
    auto module = start(std::move(env));

    EXPECT_EQ(texts(),
              (std::vector<QString>{openError(QStringLiteral("Baza RP7 i KP1"),
                                              dataRoot() + QStringLiteral("BAZA\\KADRY\\RP7"))}));
    EXPECT_FALSE(module->TRP7.isOpen());
    EXPECT_FALSE(module->WRP7.isOpen());
    EXPECT_TRUE(module->Tzar.isOpen());
    EXPECT_TRUE(module->TZal3.isOpen());
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("7"));
}

TEST_F(DataModule, MissingCompanyAndParametersStopTheStart) {
    auto module = start();
    ASSERT_EQ(prompter.questions().size(), 2u);
    EXPECT_TRUE(texts()[0].startsWith(QStringLiteral("Błąd otwarcia bazy : Brak danych o firmie")));
    EXPECT_TRUE(texts()[1].startsWith(QStringLiteral("Błąd sterownika BDE.\n")));
    EXPECT_EQ(prompter.questions()[1].icon, MessageIcon::Error);
    EXPECT_TRUE(values.Przerwij);
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("1"));
}

TEST_F(DataModule, MissingParametersAloneStopTheStart) {
    makeTable("FIRMA", firmaLayout().def, {{{"NR", integer(1)}}});
    start();
    EXPECT_TRUE(values.Przerwij);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_FALSE(texts()[0].startsWith(QStringLiteral("Błąd sterownika")));
}

TEST_F(DataModule, DataRootComesFromTheCompanyRecord) {
    makeTable("FIRMA", firmaLayout().def,
              {{{"NR", integer(1)}, {"DR", engine::Value{toTable(root() + u"/dane"_s)}}}});
    makeTable("KAD", kadLayout().def, {{{"NR", integer(1)}}});
    auto module = start();
    // A root typed without its final separator still works as a prefix.
    EXPECT_EQ(values.SciezkaDanych, root() + QStringLiteral("/dane\\"));
    EXPECT_EQ(module->RejestrTabel[2], root() + QStringLiteral("/dane\\BAZA\\KADRY\\RP7"));
}

TEST_F(DataModule, ReadOnlyTableIsOfferedAnAttributeChange) {
    makeProgramTables();
    makeEmployeeTables();
    const std::string zar = file("BAZA/KADRY/ZAR");
    auto readOnly = [&] {
        for (const char* ext : {".DB", ".PX"}) ::chmod((zar + ext).c_str(), 0444);
    };

    readOnly();
    prompter.queue(MessageResult::No);
    {
        auto module = start();
        ASSERT_EQ(prompter.questions().size(), 1u);
        const auto& q = prompter.questions()[0];
        EXPECT_EQ(q.icon, MessageIcon::Warning);
        EXPECT_EQ(q.buttons, platform::MessageButtons::YesNo);
        EXPECT_EQ(q.text, QStringLiteral("Uwaga baza: ") + dataRoot() +
                              QStringLiteral("BAZA\\KADRY\\ZAR.DB\njest w trybie Tylko Do "
                                             "Odczytu\nCzy zmienić automatycznie atrybut Bazy?"));
        EXPECT_TRUE(module->Tzar.isOpen());
        EXPECT_EQ(module->Tzar.accessMode(), engine::AccessMode::ReadOnly);
        EXPECT_FALSE(QFileInfo(QString::fromStdString(zar + ".DB")).permissions() &
                     QFileDevice::WriteOwner);
    }

    prompter.queue(MessageResult::Yes);
    auto module = start();
    EXPECT_EQ(prompter.questions().size(), 2u);
    EXPECT_EQ(module->Tzar.accessMode(), engine::AccessMode::Shared);
    for (const char* ext : {".DB", ".PX"}) {
        EXPECT_TRUE(QFileInfo(QString::fromStdString(zar + ext)).permissions() &
                    QFileDevice::WriteOwner)
            << ext;
    }
}

TEST_F(DataModule, EngineErrorsOfTheStartAreShownAndTheStartGoesOn) {
    makeProgramTables();
    Tdane::Environment env;
    env.Aktualizacja = [](Tdane&) {
        engine::fail(engine::ErrorCode::DiskFull, "Brak miejsca na dysku.");
    };
    auto module = start(std::move(env));
    // The engine's own words, then the tables the update did not make; the windows can come.
    EXPECT_FALSE(values.Przerwij);
    ASSERT_GE(texts().size(), 2u);
    EXPECT_EQ(texts()[0], QStringLiteral("Brak miejsca na dysku."));
    EXPECT_EQ(prompter.questions()[0].icon, MessageIcon::Error);
    EXPECT_EQ(texts()[1], openError(QStringLiteral("Baza RP7 i KP1"),
                                    dataRoot() + QStringLiteral("BAZA\\KADRY\\RP7")));
    EXPECT_TRUE(module->TFIRMA.isOpen());
    EXPECT_TRUE(module->TPARA.isOpen());
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("7"));
}

TEST_F(DataModule, ParametersKeptReadOnlyAreNotWrittenAtTheStart) {
    makeProgramTables();  // the print flag B1 is empty, which the start fills in
    makeEmployeeTables();
    for (const char* ext : {".DB", ".PX"}) ::chmod((file("KAD") + ext).c_str(), 0444);
    prompter.queue(MessageResult::No);
    auto module = start();
    EXPECT_FALSE(values.Przerwij);
    EXPECT_EQ(prompter.questions().size(), 1u);  // the attribute question, nothing else
    ASSERT_TRUE(module->TPARA.isOpen());
    EXPECT_EQ(module->TPARA.accessMode(), engine::AccessMode::ReadOnly);
    EXPECT_FALSE(module->TPARA.asBoolean(module->TPARA.field("B1")));
    EXPECT_TRUE(module->TRP7.isOpen());
}

TEST_F(DataModule, StructureFileIsWrittenOnceInItsFixedFormat) {
    makeProgramTables();
    makeEmployeeTables();
    start();

    const QByteArray str = readAll(file("BAZA/KADRY/RP7.STR"));
    const QList<QByteArray> lines = str.split('\n');
    ASSERT_EQ(lines.size(), 1 + 96 + 1 + 4 + 1 + 1);  // the split leaves an empty tail
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) EXPECT_TRUE(lines[i].endsWith('\r')) << i;
    EXPECT_EQ(lines[0], "STRUKTURA ZBIORU\r");
    EXPECT_EQ(lines[1], "Pole:ZLEC" + QByteArray(36, ' ') + "Typ:03Obecnosc:FALSEWielkosc:0\r");
    EXPECT_EQ(lines[3], "Pole:POLE1" + QByteArray(35, ' ') + "Typ:01Obecnosc:FALSEWielkosc:50\r");
    EXPECT_EQ(lines[38],
              "Pole:POLE36" + QByteArray(34, ' ') + "Typ:01Obecnosc:FALSEWielkosc:150\r");
    EXPECT_EQ(lines[97], "INDEKSY\r");
    EXPECT_EQ(lines[98],
              "Nazwa:" + QByteArray(40, ' ') + "Pole:ZLEC;NR" + QByteArray(33, ' ') + "\r");
    EXPECT_EQ(lines[99],
              "Nazwa:Iinx" + QByteArray(36, ' ') + "Pole:ZLEC;KP12" + QByteArray(31, ' ') + "\r");
    EXPECT_EQ(lines[102], "KONIEC\r");

    const QByteArray zar = readAll(file("BAZA/KADRY/ZAR.STR"));
    EXPECT_TRUE(
        zar.contains("Pole:AUTO" + QByteArray(36, ' ') + "Typ:14Obecnosc:FALSEWielkosc:0\r\n"));
    EXPECT_TRUE(
        zar.contains("Pole:POLE2" + QByteArray(35, ' ') + "Typ:07Obecnosc:FALSEWielkosc:0\r\n"));

    // An existing file is left alone; a deleted one comes back.
    {
        QFile f(QString::fromStdString(file("BAZA/KADRY/RP7.STR")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("stary");
    }
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("BAZA/KADRY/ZAR.STR"))));
    start();
    EXPECT_EQ(readAll(file("BAZA/KADRY/RP7.STR")), "stary");
    EXPECT_EQ(readAll(file("BAZA/KADRY/ZAR.STR")), zar);
}

TEST_F(DataModule, FailedSaveIsReportedAndCancelled) {
    makeProgramTables();
    makeEmployeeTables();
    auto module = start();
    engine::Table& zlec = module->TZlec;
    zlec.append();
    zlec.setValue("NR", integer(1));  // taken
    zlec.setValue("POCZTA", text("Drugi"));
    module->ZapiszRekord(zlec);
    EXPECT_EQ(texts(), std::vector<QString>{QStringLiteral("Błąd zapisu")});
    EXPECT_EQ(prompter.questions()[0].icon, MessageIcon::Error);
    EXPECT_EQ(zlec.state(), TableState::Browse);
    EXPECT_EQ(zlec.recordCount(), 1);

    module->Edytuj(zlec);
    EXPECT_EQ(zlec.state(), TableState::Edit);
    zlec.setValue("POCZTA", text("Zmieniony"));
    module->Edytuj(zlec);  // already editing: the change stays
    module->ZapiszRekord(zlec);
    EXPECT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(zlec.asString(zlec.field("POCZTA")), "Zmieniony");
}

TEST_F(DataModule, FilteredEmployeeViewShowsTheChosenNumbersOfTheCurrentPayer) {
    makeProgramTables();
    makeEmployeeTables();
    std::vector<Record> employees;
    for (int nr : {11, 12, 13, 15})
        employees.push_back({{"ZLEC", integer(1)}, {"NR", integer(nr)}});
    employees.push_back({{"ZLEC", integer(2)}, {"NR", integer(12)}});
    {
        engine::Session s("fill");
        engine::Table rp7(s);
        rp7.open(file("BAZA/KADRY/RP7"));
        for (const auto& row : employees) {
            rp7.append();
            for (const auto& [c, v] : row) rp7.setValue(c, v);
            rp7.post();
        }
    }
    auto module = start();
    module->WybraneNR = {12, 15};
    auto visible = [&] {
        std::vector<std::int64_t> nrs;
        engine::Table& w = module->WRP7;
        for (w.first(); !w.eof(); w.next()) nrs.push_back(w.asInteger(w.field("NR")));
        return nrs;
    };
    EXPECT_TRUE(visible().empty());  // no employee index window yet
    module->setEmployeeIndexWindowExists([] { return true; });
    EXPECT_EQ(visible(), (std::vector<std::int64_t>{12, 15}));
    EXPECT_EQ(module->TRP7.recordCount(), 4);  // the plain view follows the payer only
}

}  // namespace
}  // namespace lumiro::data::test

namespace lumiro::data::test {
namespace {

// The employee table lost (deleted by hand, a disk, an unfinished restore) while the earnings
// and payers are still there: a new, empty table would hand card 1's earnings to the next
// "Nowa pozycja". Nothing is built; the message says what is missing and what may bring it
// back. Empty tables beside it are no obstacle: that is a first start.
TEST_F(DataModule, NoEmployeeTableIsBuiltBesideTablesThatHoldRows) {
    makeProgramTables();
    makeEmployeeTables();  // the payers table holds a payer
    engine::Session session("test");
    engine::Table zar(session);
    zar.open(file("BAZA/KADRY/ZAR"));
    lumiro::test::appendRows(zar, {{{"ZLEC", integer(1)}, {"NR", integer(1)}}});
    zar.close();
    session.deleteTable(file("BAZA/KADRY/RP7"));

    Tdane::Environment env;
    env.Aktualizacja = Aktualizacja;
    auto module = start(std::move(env));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/BAZA/KADRY/RP7.DB"_s));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/BAZA/AKTUALIZACJA"_s));
    ASSERT_EQ(texts().size(), 1u);
    const QString& message = texts()[0];
    for (const QString& part :
         {u"RP7.DB"_s, u"ZAR.DB"_s, u"ZLEC.DB"_s, u"archiwum"_s, u"Odtwarzanie indeksów"_s})
        EXPECT_TRUE(message.contains(part))
            << part.toStdString() << " in " << message.toStdString();
    EXPECT_FALSE(module->TRP7.isOpen());
    EXPECT_TRUE(module->Tzar.isOpen());
    EXPECT_TRUE(module->TZlec.isOpen());
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("7"));
    EXPECT_FALSE(values.Przerwij);

    // Emptied, the tables beside it let the start build the employee table as at a first one.
    module.reset();
    for (const char* name : {"ZAR", "ZLEC"}) {
        engine::Table t(session);
        t.open(file("BAZA/KADRY/" + std::string(name)));
        for (t.first(); !t.isEmpty(); t.first()) t.remove();
    }
    env = {};
    env.Aktualizacja = Aktualizacja;
    module = start(std::move(env));
    EXPECT_TRUE(module->TRP7.isOpen());
}

// An unmounted share named by the company record: the start says so and builds nothing, there
// or in the program folder.
TEST_F(DataModule, ADataRootThatIsNotThereIsNamedAndNothingIsBuilt) {
    const QString share = root() + u"/udzial/KADRY\\"_s;
    makeTable("FIRMA", firmaLayout().def,
              {{{"NR", integer(1)}, {"DR", engine::Value{toTable(share)}}}});
    makeTable("KAD", kadLayout().def, {{{"NR", integer(1)}, {"B1", engine::Value{false}}}});
    Tdane::Environment env;
    env.Aktualizacja = Aktualizacja;
    auto module = start(std::move(env));

    ASSERT_EQ(texts().size(), 1u);
    EXPECT_TRUE(texts()[0].contains(root() + u"/udzial/KADRY/"_s)) << texts()[0].toStdString();
    EXPECT_TRUE(texts()[0].contains(u"Dane o firmie"_s));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/udzial"_s));
    EXPECT_FALSE(QFileInfo::exists(root() + u"/BAZA"_s));
    EXPECT_FALSE(values.Przerwij);
    EXPECT_TRUE(module->TFIRMA.isOpen());
    EXPECT_FALSE(module->TRP7.isOpen());
    EXPECT_FALSE(module->TZlec.isOpen());
    EXPECT_EQ(module->RejestrTabel[0], QStringLiteral("7"));
    EXPECT_EQ(module->RejestrTabel[2], share + u"BAZA\\KADRY\\RP7"_s);
}

}  // namespace
}  // namespace lumiro::data::test
