// The port and export writers, byte for byte against files written by hand.
#include "text_engine_fixture.h"
#include "textreports/text_routines.h"

namespace lumiro::textreports::test {
namespace {

using namespace Qt::StringLiterals;

class WritersTest : public TextEngineTest {
  protected:
    void directTo(Destination type) {
        engine->settings().DRTYP = type;
        engine->settings().DRBUFOR = true;
    }
    void print(const QStringList& lines, bool pageHeading = false, const QString& title = {}) {
        ASSERT_TRUE(engine->OtworzWydruk(title, false, int(lines.size()), 0, pageHeading));
        for (const QString& line : lines) engine->DrukujLinie(line);
        engine->ZamknijWydruk(pageHeading);
    }
};

TEST_F(WritersTest, PortWritesItsControlStringsMarginAndCodes) {
    directTo(kPort);
    engine->settings().DRLEWY = 2;
    engine->settings().DRPL = 3;
    print({u"&Gmaly druk"_s, u"bez kodu"_s, u"&Nnormalny"_s, u"&G&Rszeroki"_s, u"dalej szeroki"_s,
           u"&Wto znika"_s, u"&R&Gzostaje"_s, u">VX< znacznik"_s});
    EXPECT_EQ(readAll(portPath()), expectedBytes("port_codes.txt"));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(progressStarts, progressStops);
}

TEST_F(WritersTest, ForcedNormalWidthOverridesTheLineCodes) {
    directTo(kPort);
    engine->settings().DRRODZAJ = 2;
    engine->settings().DRPL = 3;
    print({u"&Gjeden"_s, u"&Rdwa"_s, u"trzy"_s});
    EXPECT_EQ(readAll(portPath()), expectedBytes("port_forced_normal.txt"));
}

TEST_F(WritersTest, PolishLettersInEveryEncoding) {
    const QStringList lines{u"ąĄćĆęĘłŁóÓźŹżŻńŃśŚ"_s, u"Łódź"_s};
    const std::pair<int, const char*> encodings[] = {{0, "letters_plain.txt"},
                                                     {1, "letters_mazovia.txt"},
                                                     {2, "letters_852.txt"},
                                                     {3, "letters_1250.txt"}};
    for (const auto& [encoding, expected] : encodings) {
        directTo(kPort);
        engine->settings().DRPL = std::uint8_t(encoding);
        print(lines);
        EXPECT_EQ(readAll(portPath()), expectedBytes(expected)) << expected;
    }
}

// DRLINIDOS 70: a page holds 71 lines, heading included; the heading comes back on each new
// page, and an explicit break starts a page without one.
TEST_F(WritersTest, PortPagesOfSeventyOneLinesWithTheirHeadings) {
    directTo(kPort);
    engine->settings().DRPL = 3;
    ASSERT_EQ(engine->settings().DRLINIDOS, 70);
    ASSERT_TRUE(engine->OtworzWydruk(u"Lista"_s, false, 140, 1, true));
    EXPECT_TRUE(engine->settings().DRPODZIAL) << "a page heading switches page splitting on";
    engine->setNaglowek(1, u"|NAGLOWEK|"_s);
    engine->DrukujLinie(engine->Naglowek(1));
    for (int i = 1; i <= 140; ++i) engine->DrukujLinie(u"wiersz %1"_s.arg(i));
    engine->DrukujLinie(u"&W"_s);
    engine->DrukujLinie(u"po podziale"_s);
    engine->ZamknijWydruk(true);
    EXPECT_EQ(readAll(portPath()), expectedBytes("port_pages.txt"));
    EXPECT_EQ(engine->Strona(), 4);
}

// Cut: the heading, rules, sub-rules, short and marker lines go; one code is removed from
// each line; "&W" breaks no page; letters become plain.
TEST_F(WritersTest, ExportWithCutting) {
    directTo(kExportCut);
    engine->settings().DRPL = 0;
    print(
        {u"====="_s, u"| LP |Imię  |"_s, u"|----|------|"_s, u"|   1|Łódź  |"_s, u">VX< znacznik"_s,
         u"&Gkod zdjety"_s, u"&Wpo podziale"_s, u"x"_s, QString(), u"&G&Rdwa kody"_s},
        true, u"Eksport"_s);
    EXPECT_EQ(readAll(exportPath()), expectedBytes("export_cut.txt"));
}

TEST_F(WritersTest, ExportWithoutCuttingKeepsEveryLine) {
    directTo(kExportUncut);
    engine->settings().DRPL = 3;
    print(
        {u"====="_s, u"| LP |Imię  |"_s, u"|----|------|"_s, u"|   1|Łódź  |"_s, u">VX< znacznik"_s,
         u"&Gkod zdjety"_s, u"&Wpo podziale"_s, u"x"_s, QString(), u"&G&Rdwa kody"_s},
        true, u"Eksport"_s);
    EXPECT_EQ(readAll(exportPath()), expectedBytes("export_uncut.txt"));
}

// The same lines through the buffer give the same bytes; text after the last line end is not
// printed.
TEST_F(WritersTest, BufferPrintsOnlyEndedLines) {
    engine->settings().DRTYP = kPort;
    engine->settings().DRPL = 3;
    ASSERT_TRUE(engine->OtworzWydruk(QString(), false, 0, 0, false));
    engine->setNatychmiast(true);
    engine->DrukujLinie(u"&Gjeden"_s);
    engine->DrukujLinie(u"&Rdwa"_s);
    engine->ZamknijWydruk(false);
    EXPECT_EQ(readAll(portPath()), QByteArray("\x14\x12\x0Fjeden\r\n\x14\x12\x12\x0E"
                                              "dwa\r\n"));
    EXPECT_EQ(windowShown, 0);
    EXPECT_FALSE(engine->Natychmiast());

    // Printing the buffer again starts condensed, as every printout does.
    engine->printBuffer(u"pierwsza\r\ndruga\ntrzecia\u2029bez końca"_s);
    EXPECT_EQ(readAll(portPath()), QByteArray("\x14\x12\x0Fpierwsza\r\n\x14\x12\x0F"
                                              "druga\r\n\x14\x12\x0Ftrzecia\r\n"));
    EXPECT_EQ(progressStarts, progressStops);
}

}  // namespace
}  // namespace lumiro::textreports::test
