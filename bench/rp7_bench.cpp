// The Rp-7 of 1,000 employees with 10 earnings rows each, both pages, written into one PDF
// file through the program's own forms (Tdruk1, Tdruk2) and report engine, as lumiro --pdf
// does it. The reference, measured in the same run, is a bare QPdfWriter loop drawing the
// same texts, rules and information text at the same places, taken from pages laid out
// beforehand: the ratio is what the forms' hooks, the layout and our painter cost on top of
// Qt drawing the same page.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <map>
#include <string>

#include "printouts/earnings_print_buffer.h"
#include "printouts/form_data.h"
#include "printouts/rp7_forms.h"
#include "reports/print_target.h"
#include "reports/text_measure.h"
#include "median_reporter.h"

namespace {

using namespace lumiro;

constexpr int kEmployees = 1000;
constexpr double kTargetSeconds = 20;  // 2,000 pages
constexpr double kTargetRatio = 1.5;

QTemporaryDir* output = nullptr;

QString outputFile(const char* name) {
    return output->filePath(QString::fromLatin1(name));
}

// One employee's card and ten earnings rows, different for each employee; with `large`, the
// amounts of a pre-1995 card, wider than every cell in a 16 pt table font.
void fillEmployee(printouts::FixedFormData& data, printouts::EarningsPrintBuffer& buffer, int e,
                  bool large) {
    reports::FixedValues& employee = data.rowOf(QStringLiteral("TRP7"));
    employee.set(QStringLiteral("POLE1"), QStringLiteral("Pracownik-Łęcki %1 Jan").arg(e));
    employee.set(QStringLiteral("POLE2"), QStringLiteral("1960.%1.12").arg(1 + e % 12, 2, 10, QChar(u'0')));
    employee.set(QStringLiteral("POLE3"), QStringLiteral("6%1").arg(1000000000 + e));
    employee.set(QStringLiteral("POLE4"), QStringLiteral("1980.01.01"));
    employee.set(QStringLiteral("POLE5"), QStringLiteral("2004.12.31"));
    employee.set(QStringLiteral("POLE6"), QStringLiteral("specjalista, pełny etat"));
    employee.set(QStringLiteral("POLE29"), QStringLiteral("Warszawa, 2005.03.10"));
    for (int r = 0; r < 10; ++r) {
        printouts::EarningsSlot& s = buffer.rows[std::size_t(r)];
        s.year = QString::number(1989 + r);
        s.pole2 = 1000.0 * (r + 1) + e;
        s.pole3 = r % 3 ? 250.5 * r : 0;
        s.pole4 = r % 3 ? QStringLiteral("premia kwartalna") : QString();
        s.pole9 = r % 4 ? 0 : 321.25;
        if (large) {
            s.pole2 = 43'429'000.0 + e;
            s.pole3 = 9'999'999.99;
            s.pole9 = 9'999'999.98;
        }
        s.pole10 = s.pole2 + s.pole3 + s.pole9;
    }
    buffer.employeeRows = 10;
    buffer.MoreThanTenRows = false;
}

struct Forms {
    printouts::FixedFormData data;
    printouts::EarningsPrintBuffer buffer;
    printouts::Tdruk1 page1{printouts::Rp7Inputs{data, buffer}};
    printouts::Tdruk2 page2{printouts::Rp7Inputs{data, buffer}};
    bool large = false;
    explicit Forms(bool largeFont = false) : large(largeFont) {
        if (large) {
            QFont chosen(QStringLiteral("Times New Roman"));
            chosen.setPointSizeF(16);
            data.fonts[2] = chosen;
        }
        data.information = true;
        data.rowOf(QStringLiteral("TZlec")).set(QStringLiteral("NIP"), QStringLiteral("7740001454"));
        data.rowOf(QStringLiteral("TZlec")).set(QStringLiteral("SKROT"), QStringLiteral("610188201"));
    }
    reports::Document all() {
        reports::Document document;
        for (int e = 0; e < kEmployees; ++e) {
            fillEmployee(data, buffer, e, large);
            document.append(page1.generate());
            document.append(page2.generate());
        }
        return document;
    }
};

void Rp7ThroughTheForms(benchmark::State& state) {
    Forms forms;
    for (auto _ : state) {
        const reports::Document document = forms.all();
        const auto status = reports::writePdf(document, outputFile("forms.pdf"), QStringLiteral("Rp-7"));
        if (!status.ok()) state.SkipWithError(status.message().toStdString().c_str());
    }
    state.counters["pages"] = 2 * kEmployees;
}
BENCHMARK(Rp7ThroughTheForms)->Unit(benchmark::kSecond)->Iterations(1);

// The same with the table in a 16 pt font the user chose and amounts that do not fit their
// cells in it: every amount and year is fitted to its cell.
void Rp7ThroughTheFormsLargeFont(benchmark::State& state) {
    Forms forms(true);
    for (auto _ : state) {
        const reports::Document document = forms.all();
        const auto status =
            reports::writePdf(document, outputFile("forms-large.pdf"), QStringLiteral("Rp-7"));
        if (!status.ok()) state.SkipWithError(status.message().toStdString().c_str());
    }
    state.counters["pages"] = 2 * kEmployees;
}
BENCHMARK(Rp7ThroughTheFormsLargeFont)->Unit(benchmark::kSecond)->Iterations(1);

// The same pages drawn straight onto a QPdfWriter: texts at their baselines, rules, boxes and
// the information text, none of it through the engine.
void BareQPdfWriter(benchmark::State& state) {
    Forms forms;
    const reports::Document document = forms.all();
    for (auto _ : state) {
        QFile file(outputFile("bare.pdf"));
        if (!file.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write");
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter(&writer);
        const double s = writer.resolution() / 25.4;
        for (std::size_t p = 0; p < document.pages.size(); ++p) {
            if (p > 0) writer.newPage();
            const reports::Page& page = document.pages[p];
            for (const auto& box : page.boxes) {
                painter.setPen(QPen(Qt::black, box.pen * s));
                painter.drawRect(QRectF(box.rect.topLeft() * s, box.rect.size() * s));
            }
            for (const auto& line : page.lines) {
                painter.setPen(QPen(Qt::black, line.pen * s, line.style));
                painter.drawLine(QLineF(line.line.p1() * s, line.line.p2() * s));
            }
            int font = -1;
            for (const auto& text : page.texts) {
                if (text.font != font) {
                    font = text.font;
                    painter.setFont(page.fonts[std::size_t(font)]);
                }
                painter.drawText(text.origin * s, text.text);
            }
            for (const auto& rich : page.richTexts) {
                painter.save();
                painter.translate(rich.rect.topLeft() * s);
                const double scale = s / reports::kReferenceDotsPerMm;
                painter.scale(scale, scale);
                rich.document->drawContents(&painter);
                painter.restore();
            }
        }
        painter.end();
    }
    state.counters["pages"] = double(document.pages.size());
}
BENCHMARK(BareQPdfWriter)->Unit(benchmark::kSecond)->Iterations(1);


}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    output = &dir;
    benchmark::Initialize(&argc, argv);
    lumiro::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double forms = reporter.at("Rp7ThroughTheForms");
    const double bare = reporter.at("BareQPdfWriter");
    if (forms > 0 && bare > 0)
        std::printf("Rp-7 of %d employees (%d pages): %.2f s through the forms, %.2f s bare; "
                    "ratio %.2f (goal under %.1f); %.2f of the %.0f s target\n",
                    kEmployees, 2 * kEmployees, forms, bare, forms / bare, kTargetRatio,
                    forms / kTargetSeconds, kTargetSeconds);
    const double large = reporter.at("Rp7ThroughTheFormsLargeFont");
    if (large > 0 && forms > 0 && bare > 0)
        std::printf(
            "The same with a 16 pt table font and amounts fitted to their cells: "
            "%.2f s; ratio %.2f to the bare writer, %.2f to the layout's own font\n",
            large, large / bare, large / forms);
    return 0;
}
