// Export and import of the employee table (20,000 cards) and the earnings table (300,000
// rows) through the text file, against a plain copy of the same bytes (read the file, write
// it beside, sync) measured in the same run. Import updates every record in place in one
// batch, which is what importing an unchanged export does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "data/data_files.h"
#include "data/table_layouts.h"
#include "engine/session.h"
#include "fixtures.h"
#include "transfer/table_transfer.h"
#include "transfer/transfer_window.h"

namespace {

using namespace lumiro;
using bench::ScratchDir;

constexpr int kCards = 20000;
constexpr int kEarnings = 300000;

struct Fixture {
    ScratchDir dir;
    engine::Session session{"PRZENIESIENIE"};
    std::string rp7 = dir.file("RP7.DB");
    std::string zar = dir.file("ZAR.DB");

    Fixture() {
        bench::buildRp7(session, rp7, kCards, 4);
        bench::PolishData data;
        session.createTable(zar, data::zarLayout().def);
        engine::Table t(session);
        t.open(zar);
        t.beginBatch();
        for (int n = 0; n < kEarnings; ++n) {
            t.append();
            bench::ZarRow row = data.zarRow(n);
            row.nr = 1 + n % kCards;
            bench::fillZar(t, row);
            t.post();
        }
        t.endBatch();
    }
    static Fixture& get() {
        static Fixture fixture;
        return fixture;
    }
    const std::string& table(int which) const { return which == 0 ? rp7 : zar; }
    std::string text(int which) const { return dir.file(which == 0 ? "rp7.txt" : "zar.txt"); }
};

std::vector<transfer::ExportColumn> allColumns(const engine::Table& table) {
    std::vector<transfer::ExportColumn> columns;
    for (int f = 0; f < table.storedFieldCount(); ++f)
        columns.push_back({f, QString::fromStdString(table.fields()[std::size_t(f)].name)});
    return columns;
}

void exportFile(Fixture& fx, int which) {
    engine::Table t(fx.session);
    t.open(fx.table(which));
    data::replaceFile(fx.session.env(), fx.text(which),
                      transfer::exportBytes(t, allColumns(t), transfer::TextEncoding::Cp1250, false));
}

void Export(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    for (auto _ : state) exportFile(fx, int(state.range(0)));
    state.counters["file_MB"] = double(bench::fileBytes(fx.text(int(state.range(0))))) / 1048576;
}

void Import(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    const int which = int(state.range(0));
    exportFile(fx, which);
    for (auto _ : state) {
        engine::Table t(fx.session);
        t.open(fx.table(which));
        const auto bytes = data::readFile(fx.session.env(), fx.text(which));
        QStringList lines = transfer::splitLines(transfer::decodeText(*bytes).text);
        const transfer::Heading heading = transfer::readHeading(lines.takeFirst());
        const auto rows = transfer::prepareImport(t, transfer::mapColumns(t, heading.names),
                                                  heading.lastCounts, lines);
        transfer::writeImport(t, rows);
        if (t.recordCount() != (which == 0 ? kCards : kEarnings)) state.SkipWithError("rows added");
    }
}

// The reference: the same bytes read and written as a plain copy does, made durable as the
// export's file is.
void PlainCopy(benchmark::State& state) {
    Fixture& fx = Fixture::get();
    const int which = int(state.range(0));
    exportFile(fx, which);
    for (auto _ : state) {
        const auto bytes = data::readFile(fx.session.env(), fx.text(which));
        data::replaceFile(fx.session.env(), fx.text(which) + ".copy", *bytes);
    }
}

BENCHMARK(Export)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Import)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainCopy)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the real time of every run for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1000;
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* names[] = {"RP7, 20,000 cards", "ZAR, 300,000 rows"};
    std::printf("\n| Table | Export | Import | Plain copy | Export / copy | Import / copy |\n"
                "|---|---|---|---|---|---|\n");
    for (int which = 0; which < 2; ++which) {
        auto at = [&](const char* name) {
            auto it = reporter.seconds.find(std::string(name) + "/" + std::to_string(which) +
                                            "/iterations:3/real_time");
            return it == reporter.seconds.end() ? 0.0 : it->second;
        };
        const double copy = at("PlainCopy");
        std::printf("| %s | %.2f s | %.2f s | %.3f s | %.1f | %.1f |\n", names[which],
                    at("Export"), at("Import"), copy, copy > 0 ? at("Export") / copy : 0,
                    copy > 0 ? at("Import") / copy : 0);
    }
    benchmark::Shutdown();
    return 0;
}
