// The report engine's cost of printing: a document of 2,000 A4 pages shaped like the Rp-7
// front page (about 60 fixed texts, 20 data fields, an earnings table of 10 rows by 10 cells
// with its rules) run through the engine, page by page as the print commands run it, and
// written into one PDF file. The reference, measured in the same run, is a bare QPdfWriter
// loop drawing the same texts and rules at the same places straight from the same values:
// the ratio is what the engine's bands, hooks, layout and page list cost on top of Qt.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "reports/fonts.h"
#include "reports/print_target.h"
#include "reports/report.h"
#include "reports/text_measure.h"
#include "median_reporter.h"

namespace {

using namespace lumiro;

constexpr int kPages = 2000;
constexpr double kTargetSeconds = 20;  // 2,000 pages
constexpr double kTargetRatio = 1.5;

// One element of the synthetic form, as both sides draw it.
struct FormElement {
    QRectF rect;   // mm from the paper's corner
    QString text;  // fixed text, or the field's name
    bool field;    // the text of the page's employee
    bool bold;
    Qt::Alignment align;
    bool wrap;  // wrapped and clipped to the cell
};

struct Form {
    std::vector<FormElement> elements;
    std::vector<QLineF> rules;  // mm
};

const double kColumns[][2] = {{1.6, 13.5},   {15.1, 23.0}, {38.1, 18.0},  {56.1, 18.0},
                              {74.1, 18.0},  {92.1, 18.0}, {110.1, 18.0}, {128.1, 18.0},
                              {146.1, 21.4}, {167.5, 22.8}};

Form buildForm() {
    static const char* const phrases[] = {"1. NIP",
                                          "2. REGON",
                                          "Pieczątka pracodawcy - płatnika składek",
                                          "Znak:",
                                          "3. Nr PESEL",
                                          "lub 4. serię i nr dowodu osobistego lub paszportu",
                                          "1. Pan (Pani) ",
                                          "ur.",
                                          "(numer PESEL)  ",
                                          "(1) była - jest* zatrudniony(a) w okresie od",
                                          "do",
                                          "ostatnio",
                                          "a) pobierał(a) wynagrodzenie za pracę do",
                                          "zasiłek chorobowy od",
                                          "okres zasiłkowy wyczerpie z dniem ",
                                          "świadczenie rehabilitacyjne od"};
    Form form;
    // Fixed texts over the upper part of the page, every fifth bold.
    for (int i = 0; i < 60; ++i)
        form.elements.push_back({QRectF(10 + 2 + (i % 4) * 47.0, 10 + 5 + (i / 4) * 8.0, 45, 4),
                                 QString::fromUtf8(phrases[i % 16]), false, i % 5 == 0,
                                 Qt::AlignLeft | Qt::AlignTop, false});
    // Data fields of the employee, bold, growing to the right.
    for (int i = 0; i < 20; ++i)
        form.elements.push_back({QRectF(10 + 20 + (i % 4) * 47.0, 10 + 130 + (i / 4) * 6.0, 0, 4),
                                 QStringLiteral("POLE%1").arg(i + 1), true, true,
                                 Qt::AlignLeft | Qt::AlignTop, false});
    // The earnings table: years centred, amounts right-aligned, kinds wrapped in their cells.
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            const bool kind = c == 3 || c == 5 || c == 7;
            const Qt::Alignment align =
                c == 0 || kind ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignRight | Qt::AlignTop;
            form.elements.push_back({QRectF(10 + kColumns[c][0] + 0.5, 10 + 186.8 + r * 7.9 + 0.5,
                                            kColumns[c][1] - 1, 6.9),
                                     QStringLiteral("c%1_%2").arg(r).arg(c), true, false, align,
                                     kind});
        }
    for (int r = 0; r <= 10; ++r)
        form.rules.push_back(
            QLineF(10 + 1.6, 10 + 186.8 + r * 7.9, 10 + 190.3, 10 + 186.8 + r * 7.9));
    for (int c = 0; c < 10; ++c)
        form.rules.push_back(
            QLineF(10 + kColumns[c][0], 10 + 186.8, 10 + kColumns[c][0], 10 + 265.8));
    form.rules.push_back(QLineF(10 + 190.3, 10 + 186.8, 10 + 190.3, 10 + 265.8));
    return form;
}

// Every page's values, made before anything is timed.
std::vector<QHash<QString, QString>> buildValues(int pages) {
    static const char* const surnames[] = {"Kowalski", "Nowak",       "Wiśniewska", "Wójcik",
                                           "Kamińska", "Lewandowski", "Zieliński",  "Szymańska"};
    static const char* const kinds[] = {"premia", "nagroda jubileuszowa", "dodatek stażowy",
                                        "ekwiwalent za urlop wypoczynkowy", ""};
    std::vector<QHash<QString, QString>> out(static_cast<std::size_t>(pages));
    for (int p = 0; p < pages; ++p) {
        auto& v = out[std::size_t(p)];
        for (int i = 1; i <= 20; ++i)
            v.insert(QStringLiteral("POLE%1").arg(i),
                     i == 1 ? QStringLiteral("%1 Jan").arg(QString::fromUtf8(surnames[p % 8]))
                            : QStringLiteral("%1.%2.19%3")
                                  .arg(1 + (p + i) % 28)
                                  .arg(1 + i % 12)
                                  .arg(50 + p % 40));
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) {
                QString text;
                if (c == 0)
                    text = QString::number(1990 + r);
                else if (c == 3 || c == 5 || c == 7)
                    text = QString::fromUtf8(kinds[(p + r + c) % 5]);
                else
                    text = QStringLiteral("%1 %2,%3")
                               .arg(10 + (p * 7 + r * 13 + c) % 89)
                               .arg(100 + (p + r * c) % 899)
                               .arg(10 + (r + c) % 89);
                v.insert(QStringLiteral("c%1_%2").arg(r).arg(c), text);
            }
    }
    return out;
}

class PageValues : public reports::ValueSource {
  public:
    const QHash<QString, QString>* values = nullptr;
    QString text(const QString& field) const override { return values->value(field); }
};

struct Fixture {
    Form form = buildForm();
    std::vector<QHash<QString, QString>> values = buildValues(kPages);
    QFont regular = reports::timesFont(11);
    QFont bold = reports::timesFont(11, true);
    QTemporaryDir dir;

    // The form as a report: one title band, the page's fields read from a value source.
    std::unique_ptr<reports::Report> report() const {
        auto r = std::make_unique<reports::Report>();
        reports::Band& band = r->addBand(reports::BandKind::Title, 276.8);
        const QPointF margin(10, 10);
        for (const FormElement& s : form.elements) {
            const QRectF rect = s.rect.translated(-margin);
            reports::Element& e =
                s.field ? (s.rect.width() == 0
                               ? band.addField({}, rect.topLeft(), QStringLiteral("TRP7"), s.text)
                               : band.addField({}, rect, QStringLiteral("TRP7"), s.text))
                        : band.addLabel({}, rect, s.text);
            e.bold(s.bold).align(s.align);
            if (s.wrap) e.wrapped().clipped();
        }
        for (const QLineF& l : form.rules) band.addRule(l.p1() - margin, l.p2() - margin);
        return r;
    }
};

Fixture* fixture = nullptr;

// The PDF files stay in LUMIRO_BENCH_DIR when it is set, for a look at them.
QString outputFile(const char* name) {
    const QString kept = qEnvironmentVariable("LUMIRO_BENCH_DIR");
    return kept.isEmpty() ? fixture->dir.filePath(QString::fromLatin1(name))
                          : QDir(kept).filePath(QString::fromLatin1(name));
}

void EnginePdf(benchmark::State& state) {
    const auto report = fixture->report();
    PageValues values;
    for (auto _ : state) {
        reports::Document document;
        for (int p = 0; p < kPages; ++p) {
            values.values = &fixture->values[std::size_t(p)];
            document.append(
                report->generate(reports::Sources().add(QStringLiteral("TRP7"), values)));
        }
        const reports::PrintStatus status =
            reports::writePdf(document, outputFile("engine.pdf"), QStringLiteral("Rp-7"));
        if (!status.ok()) state.SkipWithError(status.message().toStdString().c_str());
    }
    state.counters["pages"] = kPages;
    state.counters["bytes"] = double(QFile(outputFile("engine.pdf")).size());
}
BENCHMARK(EnginePdf)->Unit(benchmark::kSecond)->Iterations(1);

// The layout alone: the same runs without painting, to show where the time goes.
void EngineLayoutOnly(benchmark::State& state) {
    const auto report = fixture->report();
    PageValues values;
    for (auto _ : state) {
        std::size_t items = 0;
        for (int p = 0; p < kPages; ++p) {
            values.values = &fixture->values[std::size_t(p)];
            const reports::Document d =
                report->generate(reports::Sources().add(QStringLiteral("TRP7"), values));
            items += d.pages[0].texts.size();
        }
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(EngineLayoutOnly)->Unit(benchmark::kSecond)->Iterations(1);

// What a program without an engine would write: the same texts with the same fonts at the
// same places, single lines at their baseline, aligned and wrapped cells through Qt's
// flags, the same rules.
void BareQPdfWriter(benchmark::State& state) {
    const Fixture& f = *fixture;
    for (auto _ : state) {
        QFile file(outputFile("bare.pdf"));
        if (!file.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write");
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter(&writer);
        const double s = writer.resolution() / 25.4;
        const double ascentRegular = QFontMetricsF(f.regular, &writer).ascent();
        const double ascentBold = QFontMetricsF(f.bold, &writer).ascent();
        auto box = [s](const QRectF& r) {
            return QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s);
        };
        for (int p = 0; p < kPages; ++p) {
            if (p > 0) writer.newPage();
            const auto& values = f.values[std::size_t(p)];
            painter.setPen(QPen(Qt::black, 0.2 * s));
            for (const QLineF& l : f.form.rules) painter.drawLine(QLineF(l.p1() * s, l.p2() * s));
            bool boldNow = false;
            painter.setFont(f.regular);
            for (const FormElement& e : f.form.elements) {
                const QString text = e.field ? values.value(e.text) : e.text;
                if (text.isEmpty()) continue;
                if (e.bold != boldNow) {
                    painter.setFont(e.bold ? f.bold : f.regular);
                    boldNow = e.bold;
                }
                if (e.wrap) {
                    painter.save();
                    painter.setClipRect(box(e.rect));
                    painter.drawText(box(e.rect), int(e.align) | Qt::TextWordWrap, text);
                    painter.restore();
                } else if (e.align & Qt::AlignLeft) {
                    painter.drawText(
                        QPointF(e.rect.x() * s,
                                e.rect.y() * s + (e.bold ? ascentBold : ascentRegular)),
                        text);
                } else {
                    painter.drawText(box(e.rect), int(e.align) | Qt::TextDontClip, text);
                }
            }
        }
        painter.end();
    }
    state.counters["pages"] = kPages;
    state.counters["bytes"] = double(QFile(outputFile("bare.pdf")).size());
}
BENCHMARK(BareQPdfWriter)->Unit(benchmark::kSecond)->Iterations(1);


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
    const double engine = at("EnginePdf");
    const double layout = at("EngineLayoutOnly");
    const double bare = at("BareQPdfWriter");
    std::printf("\n| Figure | Time | Pages per second | Ratio |\n|---|---|---|---|\n");
    if (engine > 0 && bare > 0)
        std::printf(
            "| %d pages through the engine to PDF / bare QPdfWriter loop (%.2f s) | %.2f s "
            "| %.0f | %.2f (goal under %.1f) |\n",
            kPages, bare, engine, kPages / engine, engine / bare, kTargetRatio);
    if (engine > 0)
        std::printf(
            "| %d pages through the engine to PDF / %.0f s target | %.2f s | %.0f | %.2f |\n",
            kPages, kTargetSeconds, engine, kPages / engine, engine / kTargetSeconds);
    if (layout > 0 && engine > 0)
        std::printf("| layout alone (no painting) / engine to PDF | %.2f s | %.0f | %.2f |\n",
                    layout, kPages / layout, layout / engine);
    return 0;
}
