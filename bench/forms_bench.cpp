// A mixed batch as the print commands send it: Kp-1 (two pages), Rp-6 (the periods page with
// five periods, and the information page) and Rp-7 (two pages, ten earnings rows) for 300
// employees, each page a run of its layout for that employee, written into one PDF file.
// The reference, measured in the same run, draws the very same laid-out pages into a PDF
// without running the layouts (they are made before the clock starts): the ratio is what the
// layouts, bands and hooks cost on top of the drawing.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "printouts/form_data.h"
#include "printouts/kp1_forms.h"
#include "printouts/rp6_forms.h"
#include "printouts/rp7_forms.h"
#include "reports/page_painter.h"
#include "reports/print_target.h"
#include "median_reporter.h"

namespace {

using namespace lumiro;
using printouts::FixedFormData;

constexpr int kEmployees = 300;
constexpr int kPagesPerEmployee = 6;

// The current rows of one employee, as the commands position the tables on it.
void employee(FixedFormData& data, printouts::EarningsPrintBuffer& buffer, int n) {
    reports::FixedValues& rp7 = data.rowOf(QStringLiteral("TRP7"));
    const QString name = QStringLiteral("Kowalski%1").arg(n);
    for (int i = 1; i <= 46; ++i)
        rp7.set(QStringLiteral("KP%1").arg(i), QStringLiteral("kp%1-%2").arg(i).arg(n));
    for (int i = 1; i <= 41; ++i)
        rp7.set(QStringLiteral("POLE%1").arg(i), QStringLiteral("pole%1-%2").arg(i).arg(n));
    for (int i = 1; i <= 7; ++i)
        rp7.set(QStringLiteral("R%1").arg(i), QStringLiteral("r%1-%2").arg(i).arg(n));
    rp7.set(QStringLiteral("KP1"), name);
    reports::FixedValues& payer = data.rowOf(QStringLiteral("TZlec"));
    for (const char* c : {"NIP", "SKROT", "NAZWA1", "NAZWA2", "POCZTA"})
        payer.set(QString::fromLatin1(c), QStringLiteral("1234567890"));
    reports::FixedRows& periods = data.rowsOf(QStringLiteral("TZal"));
    periods = reports::FixedRows();
    for (int p = 0; p < 5; ++p)
        periods.append({{QStringLiteral("Pole1"), QStringLiteral("01.09.19%1").arg(70 + p)},
                        {QStringLiteral("Pole2"), QStringLiteral("31.08.19%1").arg(71 + p)},
                        {QStringLiteral("Pole3"), QStringLiteral("Zakład Pracy nr %1, Poznań, "
                                                                 "zatrudnienie")
                                                      .arg(p + n)},
                        {QStringLiteral("Pole4"), QStringLiteral("ślusarz")},
                        {QStringLiteral("Pole5"), QStringLiteral("świadectwo pracy")}});
    buffer = printouts::EarningsPrintBuffer();
    for (int r = 0; r < 10; ++r) {
        printouts::EarningsSlot& slot = buffer.rows[std::size_t(r)];
        slot.year = QString::number(1989 + r);
        slot.pole2 = 1200.5 + n + r;
        slot.pole3 = 300.25 * r;
        slot.pole5 = 55;
        slot.pole10 = slot.pole2 + slot.pole3 + slot.pole5;
        slot.pole4 = QStringLiteral("premia");
    }
    buffer.employeeRows = 10;
}

struct Batch {
    FixedFormData data;
    printouts::EarningsPrintBuffer buffer;
    printouts::Tdruk3 kp1a{data};
    printouts::Tdruk4 kp1b{data};
    printouts::Tdruk5 rp6a{data};
    printouts::Tdruk8 rp6b{data};
    printouts::Tdruk1 rp7a{printouts::Rp7Inputs{data, buffer}};
    printouts::Tdruk2 rp7b{printouts::Rp7Inputs{data, buffer}};

    // Every page of the batch, each a run of its layout, in the order the commands print.
    reports::Document run() {
        reports::Document all;
        for (int n = 0; n < kEmployees; ++n) {
            employee(data, buffer, n);
            for (printouts::ReportForm* form : std::initializer_list<printouts::ReportForm*>{
                     &kp1a, &kp1b, &rp6a, &rp6b, &rp7a, &rp7b})
                all.append(form->generate());
        }
        return all;
    }
};

struct Fixture {
    QTemporaryDir dir;
    Batch batch;
    reports::Document pages = batch.run();  // for the reference, made outside the clock
};

Fixture* fixture = nullptr;

QString outputFile(const char* name) {
    const QString kept = qEnvironmentVariable("LUMIRO_BENCH_DIR");
    return kept.isEmpty() ? fixture->dir.filePath(QString::fromLatin1(name))
                          : QDir(kept).filePath(QString::fromLatin1(name));
}

void MixedBatchThroughTheLayouts(benchmark::State& state) {
    for (auto _ : state) {
        const reports::Document document = fixture->batch.run();
        const reports::PrintStatus status =
            reports::writePdf(document, outputFile("batch.pdf"), QStringLiteral("batch"));
        if (!status.ok()) state.SkipWithError(status.message().toStdString().c_str());
        if (document.pages.size() != std::size_t(kEmployees * kPagesPerEmployee))
            state.SkipWithError("unexpected page count");
    }
    state.counters["pages"] = double(fixture->pages.pages.size());
}
BENCHMARK(MixedBatchThroughTheLayouts)->Unit(benchmark::kSecond)->Iterations(1);

// The drawing alone: the same pages, already laid out, painted into a PDF of the same
// resolution.
void BareDrawing(benchmark::State& state) {
    for (auto _ : state) {
        QFile file(outputFile("bare.pdf"));
        if (!file.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write");
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter(&writer);
        bool first = true;
        for (const reports::Page& page : fixture->pages.pages) {
            if (!first) writer.newPage();
            first = false;
            reports::paintPage(painter, page, writer.resolution() / 25.4);
        }
        painter.end();
    }
    state.counters["pages"] = double(fixture->pages.pages.size());
}
BENCHMARK(BareDrawing)->Unit(benchmark::kSecond)->Iterations(1);


}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture f;
    fixture = &f;
    lumiro::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fixture = nullptr;

    auto at = [&](const char* name) { return reporter.at(name); };
    const double engine = at("MixedBatchThroughTheLayouts");
    const double bare = at("BareDrawing");
    const int pages = kEmployees * kPagesPerEmployee;
    if (engine > 0 && bare > 0)
        std::printf(
            "\n| Kp-1 + Rp-6 + Rp-7 for %d employees (%d pages) through the layouts to PDF / "
            "drawing the laid-out pages (%.2f s) | %.2f s | %.0f pages per second | %.2f |\n",
            kEmployees, pages, bare, engine, pages / engine, engine / bare);
    return 0;
}
