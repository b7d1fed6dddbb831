// The line engine of the text printouts: callers hand it finished lines, optionally led by a
// print-size code ("&G" condensed, "&N" normal, "&R" expanded) or a page break ("&W"); the
// engine adds the page heading, repeats the table headings on every new page, breaks pages,
// converts the Polish letters and writes to the system printer, a parallel port or a text file.
//
// A printout runs from OtworzWydruk to ZamknijWydruk. By default its lines are collected in a
// buffer and sent to the destination when the buffer is printed; with DRBUFOR each line goes
// straight to the destination. The engine needs no window: its surroundings (the print module
// window in the program, doubles in tests) come in through Host and TextBuffer.
#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "textreports/page_canvas.h"
#include "textreports/port_device.h"
#include "textreports/print_settings.h"
#include "textreports/table_source.h"

namespace lumiro::platform {
class Prompter;
}

namespace lumiro::textreports {

// Where a buffered printout collects its lines. Lines are kept with their codes, each
// followed by a line end; printing the buffer prints only lines that have one.
class TextBuffer {
  public:
    virtual ~TextBuffer() = default;
    virtual void clear() = 0;
    virtual void appendLine(const QString& line) = 0;
    // Text whose lines end in '\n' (CR LF, CR and paragraph separators count as well).
    virtual void setText(const QString& text) = 0;
    virtual QString text() const = 0;
    // The font the buffer is shown in after a printout; nothing for a buffer never shown.
    virtual void setFont(const QString& family, int points) {
        (void)family;
        (void)points;
    }
};

class MemoryBuffer : public TextBuffer {
  public:
    void clear() override { text_.clear(); }
    void appendLine(const QString& line) override { text_ += line + u'\n'; }
    void setText(const QString& text) override { text_ = text; }
    QString text() const override { return text_; }

  private:
    QString text_;
};

// The print sizes; the port writes them as control strings, the printer as font sizes.
enum class PrintSize { Condensed, Normal, Expanded };

class TextPrintEngine {
  public:
    // Everything is optional except the prompter; a missing progress window or file chooser
    // is simply not used (no chooser: every export is cancelled).
    struct Host {
        platform::Prompter* prompter = nullptr;
        // The page heading: the company short name, the program's title and today's date as
        // "YYYY.MM.DD".
        std::function<QString()> companyLabel;
        QString applicationTitle;
        std::function<QString()> today;
        // The title prompt: gets the printout's name, returns the name typed.
        std::function<QString(const QString& current)> askTitle;
        std::function<void(const QString& title, int maximum)> progressStart;
        std::function<void()> progressStep;
        std::function<void()> progressStop;
        // A buffered printout that is not printed at once ends here: the window shows the
        // buffer so that the user can look at it, correct it and print it.
        std::function<void()> showWindow;
        // The save dialog for exports; nothing when the user cancels.
        std::function<std::optional<QString>()> chooseExportFile;
        // The system printer, a fresh canvas for each job.
        std::function<std::unique_ptr<PageCanvas>()> openPrinter;
        std::function<PortOpening(const QString& device)> openPort = openPortDevice;
    };

    static constexpr int kMaxHeadings = 11;

    // Without a buffer of its own the engine keeps one in memory.
    explicit TextPrintEngine(Host host, TextBuffer* buffer = nullptr);
    ~TextPrintEngine();
    TextPrintEngine(const TextPrintEngine&) = delete;
    TextPrintEngine& operator=(const TextPrintEngine&) = delete;

    PrintSettings& settings() { return settings_; }
    const PrintSettings& settings() const { return settings_; }
    Host& host() { return host_; }
    TextBuffer& buffer() { return *buffer_; }
    void setBuffer(TextBuffer* buffer);

    // Begins a printout: `total` is the progress window's maximum, `headingCount` how many
    // of the heading lines a new page repeats, `pageHeading` whether pages carry the company
    // heading (which switches page splitting on for the rest of the run). More than 11
    // heading lines are refused with a message: false, and nothing begins. A destination
    // that fails to open in direct mode is reported and the printout runs on writing nothing.
    bool OtworzWydruk(const QString& title, bool askTitle, int total, int headingCount,
                      bool pageHeading);
    // Heading line 1..11, repeated at the top of every new page.
    void setNaglowek(int number, const QString& line);
    QString Naglowek(int number) const;
    // Print the buffer as soon as the printout ends, without showing the window.
    void setNatychmiast(bool on) { Natychmiast_ = on; }
    bool Natychmiast() const { return Natychmiast_; }
    void DrukujLinie(const QString& line);
    void KrokWydruku();
    void ZamknijWydruk(bool endLine);

    // Opens and closes the destination of DRTYP; StartWydruku reports a failure itself and
    // returns false (also, silently, for a cancelled save dialog).
    bool StartWydruku();
    void KoniecWydruku();

    // Prints text laid out as the buffer is: the window's "DRUKUJ" with its selection or the
    // whole buffer. Text after the last line end is not printed.
    void printBuffer(const QString& text);
    // An information note: through the buffer, printed at once, whatever DRBUFOR says (a note
    // is handed over as a whole, which direct mode would never print).
    void printNote(const QStringList& lines);

    // A grid as a ruled table with the page heading. The extended form takes sumFields
    // ("LP;KWOTA;" : a running number column and the columns summed into a "RAZEM :" line)
    // and extraHeadings, heading lines 1..extraHeadings the caller set before the call.
    void DrukujTabele(TableSource& grid, const QString& title);
    void DrukujTabeleX(TableSource& grid, const QString& title, const QString& sumFields,
                       int extraHeadings);

    // The printout's state, for the window and for tests.
    bool printing() const { return active_; }
    bool destinationOpen() const { return out_ || canvas_; }
    const QString& NazwaWydruku() const { return NazwaWydruku_; }
    int LiczbaNaglowkow() const { return LiczbaNaglowkow_; }
    bool Naglowek() const { return Naglowek_; }
    int Strona() const { return Strona_; }
    int Linia() const { return Linia_; }
    int PozycjaY() const { return PozycjaY_; }
    PrintSize size() const { return size_; }
    // Lines on the port before a new page is due: the page length, or the lines a new
    // page's own heading takes when that is more.
    int portPageLength() const;

  private:
    bool begin(const QString& title, bool askTitle, int total, int headingCount, bool pageHeading,
               bool direct);
    void NaglowekStrony();
    QString headingLine1() const;
    QString headingLine2() const;
    void writeLine(const QString& line);
    void LiniaDOS(const QString& line);
    void StronaDOS();
    void LiniaWindows(const QString& line);
    void StronaWindows(const QString& pending);
    void LiniaEksport(const QString& line);
    void LiniaEksportBW(const QString& line);
    PrintSize sizeAfter(const QString& line, PrintSize size) const;
    QString stripSizeCodes(const QString& line) const;
    QByteArray encoded(const QString& text) const;
    void writeBytes(const QByteArray& bytes);
    void closeDestination(bool keep);
    void error(const QString& message);
    void progressStart(const QString& title, int maximum);
    void progressStop();

    Host host_;
    PrintSettings settings_;
    MemoryBuffer ownBuffer_;
    TextBuffer* buffer_;

    QString NazwaWydruku_;
    bool Naglowek_ = false;
    std::array<QString, kMaxHeadings> Naglowki_;
    int LiczbaNaglowkow_ = 0;
    bool Natychmiast_ = false;
    int Strona_ = 0;
    int Linia_ = 0;
    int PozycjaY_ = 0;
    double Skala_ = 1.0;
    int WysokoscStrony_ = 0;
    PrintSize size_ = PrintSize::Condensed;
    int KodKonwersji_ = 0;

    bool active_ = false;
    bool direct_ = false;
    // A new page's heading is being written: it never asks for another new page.
    bool inPageHeading_ = false;

    // The open destination: the type it was opened for, the port or file and its name for
    // messages, or the printer's canvas.
    int openType_ = -1;
    std::unique_ptr<QIODevice> out_;
    QString outName_;
    bool writeFailed_ = false;
    std::unique_ptr<PageCanvas> canvas_;
};

}  // namespace lumiro::textreports
