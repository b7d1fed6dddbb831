#include "printouts/rp6_forms.h"

#include "data/information_notes.h"
#include "printouts/form_data.h"
#include "printouts/form_drawing.h"

namespace lumiro::printouts {
namespace {

using reports::Band;
using reports::BandKind;

const QString kEmployee = QStringLiteral("TRP7");
const QString kPeriods = QStringLiteral("TZal");

constexpr double kTitleHeight = 91.8;
constexpr double kRowHeight = 8.5;
constexpr double kSummaryHeight = 52.9;
// The periods table: the left edges of its five cells and its right edge.
constexpr std::array<double, 6> kEdges = {1.3, 27.8, 54.2, 120.4, 146.8, 186.5};
constexpr double kHeaderTop = 58.0;
constexpr double kNumbersTop = 87.0;
// Two lines of 13 px text fill a row; the cells keep only this much inside their rules.
constexpr QSizeF kCellInset(0.8, 0.25);

QFont rowFont() {
    return formText(13);
}

void periodsHeader(Band& b) {
    const QFont small = formText(9);
    const double top = kHeaderTop;
    const double split = top + 10.0;  // below "W okresie"
    const double numbers = kNumbersTop;
    const double bottom = kTitleHeight;
    const double right = kEdges[5];
    auto centred = Qt::AlignHCenter | Qt::AlignVCenter;

    hline(b, kEdges[0], right, top);
    hline(b, kEdges[0], kEdges[2], split);
    hline(b, kEdges[0], right, numbers);
    hline(b, kEdges[0], right, bottom);
    for (std::size_t i : {0u, 2u, 3u, 4u, 5u}) vline(b, kEdges[i], top, bottom);
    vline(b, kEdges[1], split, numbers);

    textBox(b, QRectF(kEdges[0], top, kEdges[2] - kEdges[0], split - top),
            QStringLiteral("W okresie"), centred, formText(11));
    textBox(b, QRectF(kEdges[0], split, kEdges[1] - kEdges[0], numbers - split),
            QStringLiteral("od"), centred, formText(11));
    textBox(b, QRectF(kEdges[1], split, kEdges[2] - kEdges[1], numbers - split),
            QStringLiteral("do"), centred, formText(11));
    textBox(b, QRectF(kEdges[2] + 1, top, kEdges[3] - kEdges[2] - 2, numbers - top),
            QStringLiteral("Podać kolejno - od ukończenia 15 lat życia\n"
                           "- każdy okres ubezpieczenia - zatrudnienia,\n"
                           "prowadzenia działalności,\n"
                           "służby, niewykonywania pracy itp."),
            centred, small);
    textBox(b, QRectF(kEdges[3] + 1, top, kEdges[4] - kEdges[3] - 2, numbers - top),
            QStringLiteral("** Rodzaj wykonywanej pracy  - prowadzonej działalności"), centred,
            small);
    textBox(b, QRectF(kEdges[4] + 1, top, kEdges[5] - kEdges[4] - 2, numbers - top),
            QStringLiteral("Wymienić dołączone dowody\n(patrz informacja)"), centred, small);
    const std::array<std::pair<double, double>, 4> columns = {{{kEdges[0], kEdges[2]},
                                                               {kEdges[2], kEdges[3]},
                                                               {kEdges[3], kEdges[4]},
                                                               {kEdges[4], kEdges[5]}}};
    for (std::size_t n = 0; n < columns.size(); ++n)
        textBox(b,
                QRectF(columns[n].first, numbers, columns[n].second - columns[n].first,
                       bottom - numbers),
                QString::number(n + 1), centred, small, false);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Page 1

Tdruk5::Tdruk5(FormData& data) : data_(data) {
    formPage(Rap1, false);
    Rap1.beforePrint = [this](reports::Report&) { Rap1BeforePrint(); };
    const QFont small = formText(9);

    Band& b = Rap1.addBand(BandKind::Title, kTitleHeight, QStringLiteral("QRBand1"));
    textBox(b, QRectF(150, 0, 40, 3.5), QStringLiteral("ZUS Rp-6"), Qt::AlignRight | Qt::AlignTop,
            formBold(9), false);
    textBox(b, QRectF(0, 1.0, 190, 6.5), QStringLiteral("KWESTIONARIUSZ"),
            Qt::AlignHCenter | Qt::AlignTop, formBold(16), false);
    textBox(b, QRectF(0, 7.8, 190, 5.5),
            QStringLiteral("DOTYCZĄCY OKRESÓW SKŁADKOWYCH I NIESKŁADKOWYCH"),
            Qt::AlignHCenter | Qt::AlignTop, formBold(13), false);
    hline(b, 0, 190, 14.4, 0.3);
    text(b, 0, 16.0,
         QStringLiteral("UWAGA: Przed wypełnieniem należy przeczytać drugostronną informację."));
    text(b, 0, 21.0,
         QStringLiteral("Staranne i dokładne wypełnienie kwestionariusza umożliwi prawidłowe i "
                        "szybkie rozpatrzenie wniosku o emeryturę lub rentę"),
         formBold(11));
    text(b, 0, 25.2, QStringLiteral("albo prawidłowe ustalenie kapitału początkowego."),
         formBold(11));

    // The insured person's lines.
    const double dots = 3.7;  // below a line's top
    captioned(b, 16.9, 40.2, QStringLiteral("Nazwisko:"), kEmployee, QStringLiteral("R1"));
    dottedLine(b, 16.9, 74.5, 40.2 + dots);
    captioned(b, 82.5, 40.2, QStringLiteral("Imię:"), kEmployee, QStringLiteral("R2"));
    dottedLine(b, 82.5, 134.5, 40.2 + dots);
    captioned(b, 146.1, 40.2, QStringLiteral("Data ur.:"), kEmployee, QStringLiteral("R3"));
    dottedLine(b, 146.1, 190, 40.2 + dots);
    captioned(b, 14.8, 46.6, QStringLiteral("PESEL"), kEmployee, QStringLiteral("R4"));
    dottedLine(b, 14.8, 63.5, 46.6 + dots);
    captioned(b, 69.8, 46.6, QStringLiteral("NIP"), kEmployee, QStringLiteral("R5"));
    dottedLine(b, 69.8, 110.0, 46.6 + dots);
    text(b, 111.0, 46.6, QStringLiteral("albo seria i nr dowodu osobistego lub pasz-"));
    captioned(b, 14.8, 52.9, QStringLiteral("portu***"), kEmployee, QStringLiteral("R6"));
    dottedLine(b, 14.8, 61.8, 52.9 + dots);
    captioned(b, 86.8, 52.9, QStringLiteral("zawód wyuczony**"), kEmployee, QStringLiteral("R7"));
    dottedLine(b, 86.8, 190, 52.9 + dots);

    periodsHeader(b);

    // One row per period; the row never grows, its cells wrap and clip.
    Band& rows = Rap1.addBand(BandKind::SubDetail, kRowHeight, QStringLiteral("QRSubDetail2"));
    rows.rowSource = kPeriods;
    rows.printWhenEmpty = true;
    const struct {
        const char* column;
        Qt::Alignment alignment;
    } cells[] = {{"Pole1", Qt::AlignHCenter},
                 {"Pole2", Qt::AlignHCenter},
                 {"Pole3", Qt::AlignLeft},
                 {"Pole4", Qt::AlignLeft},
                 {"Pole5", Qt::AlignLeft}};
    for (std::size_t i = 0; i < cells_.size(); ++i)
        cells_[i] = &rowCell(rows, QRectF(kEdges[i], 0, kEdges[i + 1] - kEdges[i], kRowHeight),
                             QString::fromLatin1(cells[i].column),
                             cells[i].alignment | Qt::AlignTop, rowFont(), kCellInset);
    // The dates print whole, the texts wrap in their cells.
    cells_[0]->shrinkingToFit();
    cells_[1]->shrinkingToFit();

    Band& s = Rap1.addBand(BandKind::Summary, kSummaryHeight, QStringLiteral("QRBand2"));
    field(s, 16.9, 9.0, kEmployee, QStringLiteral("POLE31"));
    dottedLine(s, 10.0, 70.0, 13.2, QStringLiteral("data"), small);
    dottedLine(s, 110.0, 185.0, 13.2, QStringLiteral("podpis wnioskodawcy"), small);
    text(s, 0, 24.0, QStringLiteral("* niepotrzebne skreślić"), small);
    text(s, 0, 27.6,
         QStringLiteral("** wypełnia tylko osoba ubiegająca się o rentę z tytułu niezdolności do "
                        "pracy"),
         small);
    text(s, 0, 31.2,
         QStringLiteral("*** Nie należy wypełniać w przypadku wniosku o rentę rodzinną"), small);
    imprint(s, 48.6, QStringLiteral("Rp-6"));
}

void Tdruk5::Rap1BeforePrint() {
    QFont font = rowFont();
    QColor color = Qt::black;
    if (const std::optional<PrintoutFont> chosen = data_.printFont(1)) {
        font.setFamily(chosen->font.family());
        color = chosen->color;
    }
    for (reports::Element* cell : cells_) {
        cell->font = font;
        cell->color = color;
    }
}

reports::Document Tdruk5::generate() {
    reports::Sources sources;
    sources.add(kEmployee, data_.row(kEmployee)).addRows(kPeriods, data_.rows(kPeriods));
    return Rap1.generate(sources);
}

// ---------------------------------------------------------------------------------------
// Page 2

namespace {

constexpr double kNoteWidth = 167.5;

}  // namespace

Tdruk8::Tdruk8(FormData&) {
    formPage(Rap1, true);
    Band& b = Rap1.addBand(BandKind::Title, 278.1, QStringLiteral("QRBand1"));
    const QFont font = formText(9);
    reports::Element& note = b.addRichText(
        QStringLiteral("QRRichText1"), QRectF((190 - kNoteWidth) / 2, 2.1, kNoteWidth, 237.3),
        informationNoteHtml(data::informationNoteLines(data::InformationNote::Rp6), kNoteWidth,
                            font, true));
    note.font = font;
    imprint(b, 268.8, QStringLiteral("Rp 6"));
}

reports::Document Tdruk8::generate() {
    return Rap1.generate();
}

}  // namespace lumiro::printouts
