// The stored settings, the string routines and the table printouts.
#include <QFile>

#include "platform/settings_store.h"
#include "text_engine_fixture.h"
#include "textreports/print_settings.h"
#include "textreports/text_routines.h"

namespace lumiro::textreports::test {
namespace {

using namespace Qt::StringLiterals;

TEST(PrintSettingsTest, RoundTripAndTheRulesOfReading) {
    lumiro::test::TempDir dir;
    const QString ini = QString::fromStdString(dir.file("druk.ini"));
    {
        platform::SettingsStore empty(kSettingsKey, ini);
        const PrintSettings defaults = readPrintSettings(empty);
        EXPECT_EQ(defaults.DRTYP, kWindowsPrinter);
        EXPECT_EQ(defaults.DRLINIDOS, 70);
        EXPECT_EQ(defaults.ports[0], u"/dev/lp0"_s);
        EXPECT_EQ(defaults.ports[2], u"/dev/lp2"_s);
    }
    PrintSettings s;
    s.DRTYP = kExportUncut;
    s.DRPORT = 2;
    s.DRRODZAJ = 3;
    s.DRPL = 1;
    s.DRPODZIAL = true;
    s.DRBUFOR = true;
    s.DRLEWY = 5;
    s.DRGORA = 4;
    s.DRLINIDOS = 66;
    s.ports[1] = u"/dev/usb/lp0"_s;
    {
        platform::SettingsStore store(kSettingsKey, ini);
        ASSERT_TRUE(storePrintSettings(store, s));
    }
    {
        platform::SettingsStore store(kSettingsKey, ini);
        const PrintSettings r = readPrintSettings(store);
        EXPECT_EQ(r.DRTYP, s.DRTYP);
        EXPECT_EQ(r.DRPORT, 2);
        EXPECT_EQ(r.DRRODZAJ, 3);
        EXPECT_EQ(r.DRPL, 1);
        EXPECT_TRUE(r.DRPODZIAL);
        EXPECT_TRUE(r.DRBUFOR);
        EXPECT_EQ(r.DRLEWY, 5);
        EXPECT_EQ(r.DRGORA, 4);
        EXPECT_EQ(r.DRLINIDOS, 66);
        EXPECT_EQ(r.ports[1], u"/dev/usb/lp0"_s);
        EXPECT_EQ(store.number(u"DREKSPORT"_s, -1), 0);
    }
    {
        // A page length below 10 reads as 70; DRPORT beyond 2 is stored as 0; a value that is
        // missing or no number keeps its default while the values after it are still read.
        platform::SettingsStore store(kSettingsKey, ini);
        s.DRLINIDOS = 0;
        s.DRPORT = 7;
        ASSERT_TRUE(storePrintSettings(store, s));
        store.setValue(u"DRTYP"_s, u"drukarka"_s);
        store.remove(u"DRRODZAJ"_s);
        store.setValue(u"DRPL"_s, 0x103);  // the low byte: 3
        ASSERT_TRUE(store.sync());
        const PrintSettings r = readPrintSettings(store);
        EXPECT_EQ(r.DRLINIDOS, 70);
        EXPECT_EQ(store.number(u"DRPORT"_s), 0);
        EXPECT_EQ(r.DRTYP, kWindowsPrinter);
        EXPECT_EQ(r.DRRODZAJ, 0);
        EXPECT_EQ(r.DRPL, 3);
        EXPECT_TRUE(r.DRBUFOR);
    }
    // A store that cannot be written says so.
    QFile blocker(QString::fromStdString(dir.file("plik")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::SettingsStore unwritable(kSettingsKey,
                                       QString::fromStdString(dir.file("plik/druk.ini")));
    EXPECT_FALSE(storePrintSettings(unwritable, s));
}

TEST(TextRoutinesTest, PaddingRepeatingAndLetters) {
    EXPECT_EQ(Powiel(u'=', 3), u"==="_s);
    EXPECT_EQ(Powiel(u'=', 0), QString());
    EXPECT_EQ(Dopelnij(u"Kowalski"_s, 4), u"Kowa"_s);
    EXPECT_EQ(Dopelnij(u"Jan"_s, 6), u"Jan   "_s);
    EXPECT_EQ(BezSpacji(u" 1 234.50 "_s), u"1234.50"_s);
    // ź and ż share the plain z; going back from plain letters the later row decides.
    EXPECT_EQ(Polskie(QByteArray("\x9F\xBF"), 30), QByteArray("zz"));
    EXPECT_EQ(Polskie(QByteArray("z"), 3), QByteArray("\xBF"));
    EXPECT_EQ(Polskie(QByteArray("abc"), 31), QByteArray("abc"));
    EXPECT_EQ(conversionCode(3), 0);
}

// A grid as the table printouts see it.
class FakeGrid : public TableSource {
  public:
    std::vector<TableColumn> cols;
    std::vector<std::vector<QString>> rows;
    std::vector<int> selected;
    int disabled = 0;
    bool disabledWhileRead = true;

    std::vector<TableColumn> columns() const override { return cols; }
    int rowCount() const override { return int(rows.size()); }
    std::vector<int> selectedRows() const override { return selected; }
    QString displayText(int row, int column) const override {
        if (!disabled) const_cast<FakeGrid*>(this)->disabledWhileRead = false;
        return rows[std::size_t(row)][std::size_t(column)];
    }
    std::optional<double> number(int row, int column) const override {
        bool ok = false;
        const double v = rows[std::size_t(row)][std::size_t(column)].toDouble(&ok);
        if (!ok) return std::nullopt;
        return v;
    }
    void disableControls() override { ++disabled; }
    void enableControls() override { --disabled; }
};

QStringList bufferLines(TextPrintEngine& engine) {
    QStringList lines = engine.buffer().text().split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

TEST_F(TextEngineTest, TableWithRunningNumbersAndTotals) {
    FakeGrid grid;
    grid.cols = {{u"POLE1"_s, u"Imię"_s, 36, ColumnAlignment::Left},
                 {u"KWOTA"_s, u"Kwota"_s, 48, ColumnAlignment::Right},
                 {u"UKRYTA"_s, u"Ukryta"_s, 60, ColumnAlignment::Left, false},
                 {u"WASKA"_s, u"W"_s, 5, ColumnAlignment::Left}};
    grid.rows = {{u"Jan"_s, u"100.00"_s, u"x"_s, u"y"_s}};
    engine->DrukujTabeleX(grid, u"Lista płac"_s, u"LP;KWOTA"_s, 0);
    EXPECT_EQ(windowShown, 1);
    const QStringList lines = bufferLines(*engine);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines.mid(2, 7),
              (QStringList{u"======================"_s, u"| LP |Imię  |Kwota   |"_s,
                           u"|----|------|--------|"_s, u"|   1|Jan   |  100.00|"_s,
                           u"======================"_s, u"|    |      |  100.00|"_s,
                           u"======================"_s}));
    EXPECT_EQ(lines.last(), u"&GBertwald - Koniec wydruku: Lista płac"_s);
    EXPECT_EQ(engine->LiczbaNaglowkow(), 3);
    EXPECT_EQ(engine->Naglowek(2), u"| LP |Imię  |Kwota   |"_s);
    EXPECT_TRUE(grid.disabledWhileRead);
    EXPECT_EQ(grid.disabled, 0);
    EXPECT_EQ(progressSteps, 1);
}

TEST_F(TextEngineTest, TableRowsSelectedCentredAndLabelled) {
    FakeGrid grid;
    grid.cols = {{u"NAZWISKO"_s, u"Nazwisko"_s, 60, ColumnAlignment::Centre},
                 {u"KWOTA"_s, u"Kwota"_s, 48, ColumnAlignment::Right}};
    grid.rows = {{u"Nowak"_s, u"10.5"_s}, {u"Kowalski"_s, u"brak"_s}, {u"Zięba"_s, u"2"_s}};
    grid.selected = {2, 0};
    engine->setNaglowek(1, u"Wykaz za rok 2026"_s);
    engine->DrukujTabeleX(grid, u"Wykaz"_s, u"KWOTA"_s, 1);
    const QStringList lines = bufferLines(*engine);
    EXPECT_EQ(lines.mid(2),
              (QStringList{u"Wykaz za rok 2026"_s, u"====================="_s,
                           u"|Nazwisko  |Kwota   |"_s, u"|----------|--------|"_s,
                           u"|  Zięba   |       2|"_s, u"|  Nowak   |    10.5|"_s,
                           u"====================="_s, u"|RAZEM :   |   12.50|"_s,
                           u"====================="_s, u"&GBertwald - Koniec wydruku: Wykaz"_s}));
    // Unreadable amounts add nothing; with nothing selected every row is printed.
    grid.selected.clear();
    engine->DrukujTabeleX(grid, u"Wykaz"_s, u"KWOTA;"_s, 1);
    EXPECT_TRUE(bufferLines(*engine).contains(u"|RAZEM :   |   12.50|"_s));
    EXPECT_TRUE(bufferLines(*engine).contains(u"| Kowalski |    brak|"_s));

    // Too many heading lines for the page: refused, nothing printed.
    const int shown = windowShown;
    engine->DrukujTabeleX(grid, u"Wykaz"_s, QString(), 9);
    EXPECT_EQ(windowShown, shown);
    ASSERT_FALSE(messages().empty());
    EXPECT_TRUE(messages().back().contains(u"najwyżej 11"_s));
    EXPECT_EQ(grid.disabled, 0);

    // An empty data set prints nothing at all.
    grid.rows.clear();
    engine->DrukujTabeleX(grid, u"Pusta"_s, QString(), 0);
    EXPECT_EQ(windowShown, shown);
}

TEST_F(TextEngineTest, RunningNumbersPastTheirFourDigits) {
    FakeGrid grid;
    grid.cols = {{u"NR"_s, u"Nr"_s, 36, ColumnAlignment::Right}};
    for (int i = 1; i <= 10001; ++i) grid.rows.push_back({QString::number(i)});
    engine->DrukujTabeleX(grid, u"Długa"_s, u"LP"_s, 0);
    const QStringList lines = bufferLines(*engine);
    EXPECT_TRUE(lines.contains(u"|9999|  9999|"_s));
    EXPECT_TRUE(lines.contains(u"|####| 10000|"_s));
    EXPECT_TRUE(lines.contains(u"|####| 10001|"_s));
}

TEST_F(TextEngineTest, PlainTableOfEveryColumn) {
    FakeGrid grid;
    grid.cols = {{u"A"_s, u"Kolumna A"_s, 30, ColumnAlignment::Right},
                 {QString(), u"B"_s, 12, ColumnAlignment::Left, false}};
    grid.rows = {{u"1"_s, u"b"_s}, {u"22"_s, u"bb"_s}};
    engine->DrukujTabele(grid, u"Zwykła"_s);
    EXPECT_EQ(
        bufferLines(*engine).mid(2),
        (QStringList{u"=========="_s, u"|Kolum|B |"_s, u"|-----|--|"_s, u"|1    |b |"_s,
                     u"|22   |bb|"_s, u"=========="_s, u"&GBertwald - Koniec wydruku: Zwykła"_s}));
}

}  // namespace
}  // namespace lumiro::textreports::test
