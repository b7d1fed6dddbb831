// The line engine's printouts: their course, their failures, the printer's page layout.
#include <QDir>
#include <QFileInfo>

#include "data/table_text.h"
#include "text_engine_fixture.h"
#include "textreports/port_device.h"

#include <cerrno>

namespace lumiro::textreports::test {
namespace {

using namespace Qt::StringLiterals;

// The port's bytes split into pages at form feeds, each page as its lines.
std::vector<QStringList> portPages(const QByteArray& bytes) {
    std::vector<QStringList> pages(1);
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.isEmpty()) continue;
        if (line.startsWith('\x0C')) {
            pages.emplace_back();
            continue;
        }
        QByteArray text = line;
        text.chop(1);  // CR
        pages.back() << QString::fromLatin1(text);
    }
    return pages;
}

TEST_F(TextEngineTest, MoreThanElevenHeadingLinesAreRefused) {
    engine->settings().DRTYP = kPort;
    ASSERT_TRUE(engine->OtworzWydruk(u"Stary"_s, false, 0, 11, false));
    engine->DrukujLinie(u"zostaje"_s);
    engine->ZamknijWydruk(false);
    EXPECT_EQ(windowShown, 1);

    EXPECT_FALSE(engine->OtworzWydruk(u"Nowy"_s, false, 0, 12, false));
    EXPECT_FALSE(engine->printing());
    engine->DrukujLinie(u"nie trafia nigdzie"_s);
    engine->ZamknijWydruk(false);
    EXPECT_EQ(engine->buffer().text(), u"zostaje\n"_s) << "the last printout's buffer stays";
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_TRUE(messages()[0].contains(u"najwyżej 11"_s));
    EXPECT_EQ(windowShown, 1);
    EXPECT_EQ(progressStarts, progressStops);
}

// A page length too small for the page's own heading would ask for a new page at once, for
// ever: the page holds its heading and one line more.
TEST_F(TextEngineTest, PortPageNeverShorterThanItsHeading) {
    engine->settings().DRTYP = kPort;
    engine->settings().DRBUFOR = true;
    engine->settings().DRPL = 3;
    engine->settings().DRGORA = 3;
    engine->settings().DRLINIDOS = 0;  // WIERSZY cleared
    ASSERT_TRUE(engine->OtworzWydruk(u"Krótka"_s, false, 0, 2, true));
    EXPECT_EQ(engine->portPageLength(), 3 + 2 + 2);
    engine->setNaglowek(1, u"=="_s);
    engine->setNaglowek(2, u"|T|"_s);
    for (int i = 1; i <= 20; ++i) engine->DrukujLinie(u"w%1"_s.arg(i));
    engine->ZamknijWydruk(false);

    const std::vector<QStringList> pages = portPages(readAll(portPath()));
    ASSERT_GE(pages.size(), 3u);
    // Page 1: margin, heading, then rows up to the eighth line; later pages likewise.
    EXPECT_EQ(pages[0].size(), 8);
    EXPECT_TRUE(pages[0].last().endsWith(u"w3"_s));
    for (std::size_t p = 1; p + 1 < pages.size(); ++p) {
        EXPECT_EQ(pages[p].size(), 8) << "page " << p + 1;
        EXPECT_TRUE(pages[p][3].contains(u"Strona : %1"_s.arg(p + 1)));
        EXPECT_TRUE(pages[p][6].endsWith(u"|T|"_s));
    }
}

// A note arrives whole: it is printed through the buffer even in direct mode, and its last
// line, which carries no line end of its own, is printed too.
TEST_F(TextEngineTest, NotePrintsThroughTheBufferInDirectMode) {
    engine->settings().DRTYP = kPort;
    engine->settings().DRBUFOR = true;
    engine->settings().DRPL = 3;
    engine->printNote({u"   INFORMACJA"_s, u"Treść"_s, u"ostatni wiersz"_s});
    EXPECT_EQ(readAll(portPath()), QByteArray("\x14\x12\x0F   INFORMACJA\r\n"
                                              "\x14\x12\x0FTre\x9C\xE6\r\n"
                                              "\x14\x12\x0Fostatni wiersz\r\n"));
    EXPECT_EQ(windowShown, 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(progressStarts, progressStops);
}

TEST_F(TextEngineTest, FailedDestinationsWriteNothingAndStopTheProgressWindow) {
    engine->settings().DRPL = 3;
    // A port that does not open, in direct mode.
    engine->settings().DRTYP = kPort;
    engine->settings().DRPORT = 1;
    engine->settings().DRBUFOR = true;
    portFailure = portFailureReason(u"/dev/lp1"_s, EACCES, u"lp"_s);
    ASSERT_TRUE(engine->OtworzWydruk(u"Lista"_s, false, 3, 0, true));
    engine->DrukujLinie(u"nic"_s);
    engine->ZamknijWydruk(true);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_TRUE(messages()[0].startsWith(u"Błąd otwarcia portu : LPT2\n"_s));
    EXPECT_TRUE(messages()[0].contains(u"grupy „lp”"_s)) << messages()[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(portPath()));
    EXPECT_EQ(progressStarts, 1);
    EXPECT_EQ(progressStops, 1);

    // A cancelled save dialog: no message, no file; buffered this time.
    engine->settings().DRTYP = kExportUncut;
    engine->settings().DRBUFOR = false;
    chosenFile.reset();
    engine->printNote({u"notatka"_s});
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(exportPath()));

    // A file that cannot be created.
    chosenFile = QString::fromStdString(dir.file("brak/eksport.txt"));
    engine->printNote({u"notatka"_s});
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1], u"Błąd otwarcia pliku : "_s + *chosenFile);
    EXPECT_EQ(progressStarts, progressStops);
    EXPECT_FALSE(engine->destinationOpen());
}

// An export replaces the chosen file only once it is complete.
TEST_F(TextEngineTest, ExportReplacesTheFileWhenThePrintoutEnds) {
    {
        QFile old(exportPath());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stary plik\r\n");
    }
    engine->settings().DRTYP = kExportUncut;
    engine->settings().DRBUFOR = true;
    engine->settings().DRPL = 3;
    ASSERT_TRUE(engine->OtworzWydruk(u"Eksport"_s, false, 0, 0, false));
    engine->DrukujLinie(u"nowy"_s);
    EXPECT_EQ(readAll(exportPath()), QByteArray("stary plik\r\n"));
    engine->ZamknijWydruk(false);
    EXPECT_EQ(readAll(exportPath()), QByteArray("nowy\r\n"));
}

TEST(PortDeviceTest, ReasonsNameTheDeviceAndWhatToDo) {
    const QString denied = portFailureReason(u"/dev/usb/lp0"_s, EACCES, u"lp"_s);
    EXPECT_TRUE(denied.contains(u"/dev/usb/lp0"_s));
    EXPECT_TRUE(denied.contains(u"usermod -aG lp"_s));
    const QString missing = portFailureReason(u"/dev/lp0"_s, ENOENT, QString());
    EXPECT_TRUE(missing.contains(u"nie istnieje"_s));
    EXPECT_TRUE(missing.contains(u"/dev/usb/lp0"_s));

    lumiro::test::TempDir dir;
    // A device under /dev is never created; any other path is, as a printer shared as a file.
    const PortOpening absent = openPortDevice(u"/dev/lumiro-no-such-printer"_s);
    EXPECT_FALSE(absent.device);
    EXPECT_TRUE(absent.reason.contains(u"nie istnieje"_s)) << absent.reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(u"/dev/lumiro-no-such-printer"_s));
    const QString shared = QString::fromStdString(dir.file("drukarka"));
    EXPECT_TRUE(openPortDevice(shared).device);
    EXPECT_TRUE(QFileInfo::exists(shared));
    EXPECT_FALSE(openPortDevice(QString::fromStdString(dir.path())).device);
}

TEST(PortDeviceTest, PrinterDevicesAreSuggestedUsbFirst) {
    lumiro::test::TempDir dir;
    const QString root = QString::fromStdString(dir.path());
    ASSERT_TRUE(QDir(root).mkpath(u"usb"_s));
    for (const char* name : {"lp0", "usb/lp1", "usb/lp0", "tty0", "usb/hiddev0"}) {
        QFile file(root + u'/' + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(presentPrinterDevices(root),
              (QStringList{root + u"/usb/lp0"_s, root + u"/usb/lp1"_s, root + u"/lp0"_s}));
}

class PrinterLayoutTest : public TextEngineTest {
  protected:
    PrinterLayoutTest() {
        engine->settings().DRTYP = kWindowsPrinter;
        engine->settings().DRBUFOR = true;
        canvasDpi = 600;  // two dots per 1/300 inch
    }
};

// Heights of 40, 50 and 65 per 1/300 inch; the page-break test uses the height of the line
// about to print, so a tall line never runs past the page's end and a short one that fits
// stays.
TEST_F(PrinterLayoutTest, LineHeightsAndBreaks) {
    canvasHeight = 2 * 300;  // 300 units
    engine->settings().DRLEWY = 3;
    ASSERT_TRUE(engine->OtworzWydruk(u"Druk"_s, false, 0, 0, false));
    engine->DrukujLinie(u"&Ga"_s);                              // 0
    engine->DrukujLinie(u"&Nb"_s);                              // 40
    engine->DrukujLinie(u"&Rc"_s);                              // 90, ends at 155
    for (int i = 0; i < 2; ++i) engine->DrukujLinie(u"&Gd"_s);  // 155, 195
    engine->DrukujLinie(u"&Re"_s);                              // 235 + 65 = 300: fits exactly
    engine->DrukujLinie(u"&Gf"_s);                              // 300 + 40 > 300: next page
    engine->DrukujLinie(u"&Gg"_s);
    for (int i = 0; i < 4; ++i) engine->DrukujLinie(u"&Gh"_s);  // up to 240
    engine->DrukujLinie(u"&Ri"_s);  // 240 + 65 > 300, although 240 + 50 is not
    for (int i = 0; i < 3; ++i) engine->DrukujLinie(u"&Nj"_s);  // 65, 115, 165
    engine->DrukujLinie(u"&Gk"_s);                              // 215
    engine->DrukujLinie(u"&Gk"_s);  // 255 + 40 fits, although 255 + 50 would not
    engine->ZamknijWydruk(false);

    ASSERT_TRUE(canvas.ended);
    EXPECT_EQ(canvas.title, u"Druk"_s);
    std::vector<std::tuple<int, int, int, QString>> got;
    for (const Drawn& d : canvas.texts) got.emplace_back(d.page, d.y, d.points, d.text);
    const std::vector<std::tuple<int, int, int, QString>> want{
        {1, 0, 8, u"a"_s},   {1, 80, 12, u"b"_s},  {1, 180, 16, u"c"_s}, {1, 310, 8, u"d"_s},
        {1, 390, 8, u"d"_s}, {1, 470, 16, u"e"_s}, {2, 0, 8, u"f"_s},    {2, 80, 8, u"g"_s},
        {2, 160, 8, u"h"_s}, {2, 240, 8, u"h"_s},  {2, 320, 8, u"h"_s},  {2, 400, 8, u"h"_s},
        {3, 0, 16, u"i"_s},  {3, 130, 12, u"j"_s}, {3, 230, 12, u"j"_s}, {3, 330, 12, u"j"_s},
        {3, 430, 8, u"k"_s}, {3, 510, 8, u"k"_s}};
    EXPECT_EQ(got, want);
    for (const Drawn& d : canvas.texts) EXPECT_EQ(d.x, 3 * 20 * 2);
}

// With page splitting a new page repeats the heading; a top margin that leaves no room for
// it is shortened instead of asking for page after page.
TEST_F(PrinterLayoutTest, HeadingThatDoesNotFitIsNotRepeatedForEver) {
    canvasHeight = 2 * 1000;  // 25 condensed lines
    engine->settings().DRGORA = 99;
    ASSERT_TRUE(engine->OtworzWydruk(u"Długi"_s, false, 0, 1, true));
    engine->setNaglowek(1, u"|NAGŁÓWEK|"_s);
    for (int i = 1; i <= 60; ++i) engine->DrukujLinie(u"wiersz %1"_s.arg(i));
    engine->ZamknijWydruk(false);

    ASSERT_TRUE(canvas.ended);
    int lastPage = 0;
    for (const Drawn& d : canvas.texts) {
        EXPECT_LE(d.y + 2 * 40, canvasHeight) << d.text.toStdString() << " on page " << d.page;
        lastPage = std::max(lastPage, d.page);
    }
    std::vector<int> rowsOnPage(std::size_t(lastPage + 1), 0);
    std::vector<int> headingsOnPage(std::size_t(lastPage + 1), 0);
    int firstRowPage = 0;
    for (const Drawn& d : canvas.texts) {
        if (d.text.startsWith(u"wiersz"_s)) {
            ++rowsOnPage[std::size_t(d.page)];
            if (!firstRowPage) firstRowPage = d.page;
        }
        if (d.text == u"|NAGŁÓWEK|"_s) ++headingsOnPage[std::size_t(d.page)];
    }
    int rows = 0;
    for (int p = 1; p <= lastPage; ++p) rows += rowsOnPage[std::size_t(p)];
    EXPECT_EQ(rows, 60) << "every row is printed";
    ASSERT_GT(lastPage, firstRowPage);
    for (int p = firstRowPage + 1; p <= lastPage; ++p) {
        EXPECT_EQ(headingsOnPage[std::size_t(p)], 1) << "page " << p;
        EXPECT_GT(rowsOnPage[std::size_t(p)], 0) << "page " << p;
    }
}

TEST_F(PrinterLayoutTest, ExplicitBreakAndNoLetterConversion) {
    canvasHeight = 2 * 3000;
    engine->settings().DRPL = 0;  // only ports and files convert
    ASSERT_TRUE(engine->OtworzWydruk(u"Druk"_s, false, 0, 0, false));
    engine->DrukujLinie(u"Łódź"_s);
    engine->DrukujLinie(u"&Wreszta znika"_s);
    engine->DrukujLinie(u"dalej"_s);
    engine->ZamknijWydruk(false);
    ASSERT_EQ(canvas.texts.size(), 2u);
    EXPECT_EQ(canvas.texts[0].text, u"Łódź"_s);
    EXPECT_EQ(canvas.texts[1].page, 2);
    EXPECT_EQ(canvas.texts[1].y, 0);
    EXPECT_EQ(engine->Strona(), 1) << "no heading: pages are counted from 0";
}

}  // namespace
}  // namespace lumiro::textreports::test
