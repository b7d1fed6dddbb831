// Incremental search in the employee index: one keystroke in the name search edit moves the
// employee table with findNearest on the case-insensitive name index, and the grid selects
// the row and repaints. 20,000 employees (the program's 96-column layout) under one payer.
// The reference is the bare engine search measured in the same run; the summary gives the
// keystroke as a ratio to it and to the 50 ms a typist notices.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "components/data_grid.h"
#include "components/data_source.h"
#include "data/table_text.h"
#include "engine/session.h"
#include "engine/table.h"
#include "fixtures.h"
#include "platform/prompter.h"
#include "median_reporter.h"

namespace {

using namespace lumiro;

constexpr int kEmployees = 20000;
constexpr double kKeystrokeTargetSeconds = 0.050;

struct IndexWindow {
    bench::ScratchDir dir;
    engine::Session session{"components-bench"};
    engine::Table payers{session};
    engine::Table employees{session};
    engine::Table walker{session};  // a second cursor, so that walking it moves no grid
    platform::ScriptedPrompter prompter;
    std::unique_ptr<components::DataSource> source;
    std::unique_ptr<components::DataGrid> grid;

    IndexWindow() {
        session.createTable(dir.file("ZLEC"),
                            {{{"NR", engine::FieldType::Long}}, {{"", {"NR"}, true, true, false}}});
        bench::buildRp7(session, dir.file("RP7"), kEmployees, 1);
        payers.open(dir.file("ZLEC"));
        payers.append();
        payers.setValue("NR", engine::Value{std::int64_t{1}});
        payers.post();
        employees.open(dir.file("RP7"));
        employees.setMasterLink(&payers, "ZLEC", "NR");
        employees.setIndexName("Ninx");
        walker.open(dir.file("RP7"));
        walker.setMasterLink(&payers, "ZLEC", "NR");
        walker.setIndexName("Ninx");
    }

    void showGrid() {
        if (grid) return;
        source = std::make_unique<components::DataSource>(employees, prompter);
        source->mirrorMasterLink(payers, "ZLEC", "NR");
        grid = std::make_unique<components::DataGrid>(source.get());
        grid->addColumn(QStringLiteral("NR"), QStringLiteral("NR"), 60);
        grid->addColumn(QStringLiteral("POLE1"), QStringLiteral("NAZWISKO IMIĘ"), 220);
        grid->addColumn(QStringLiteral("KP11"), QStringLiteral("PESEL"), 100);
        grid->addColumn(QStringLiteral("KP12"), QStringLiteral("NIP"), 100);
        grid->resize(500, 560);
        grid->show();
        settle();
    }

    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    void search(const std::string& text) {
        employees.findNearest({engine::Value{std::int64_t{1}}, engine::Value{text}});
    }
};

// Made on first use and dropped before the QApplication goes, as widgets must be.
std::unique_ptr<IndexWindow> theWindow;

IndexWindow& window() {
    if (!theWindow) theWindow = std::make_unique<IndexWindow>();
    return *theWindow;
}

// Prefixes as a user types them: the same random surnames the engine benchmarks use.
std::vector<std::string> keystrokes() {
    bench::PolishData data(7);
    std::vector<std::string> out;
    for (int i = 0; i < 256; ++i) out.push_back(data.surnamePrefix());
    return out;
}

void SearchEngineOnly(benchmark::State& state) {
    IndexWindow& w = window();
    const auto keys = keystrokes();
    std::size_t i = 0;
    for (auto _ : state) {
        w.search(keys[i++ % keys.size()]);
        benchmark::DoNotOptimize(w.employees.bookmark());
    }
}
BENCHMARK(SearchEngineOnly);

void SearchKeystrokeWithGrid(benchmark::State& state) {
    IndexWindow& w = window();
    w.showGrid();
    const auto keys = keystrokes();
    const auto readsBefore = w.grid->gridModel()->cellRowReads();
    std::size_t i = 0;
    for (auto _ : state) {
        w.search(keys[i++ % keys.size()]);
        IndexWindow::settle();
        w.grid->viewport()->repaint();
    }
    state.counters["rows_read"] =
        benchmark::Counter(double(w.grid->gridModel()->cellRowReads() - readsBefore),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(SearchKeystrokeWithGrid)->Unit(benchmark::kMicrosecond);

// The first keystroke in another search edit, or a title click, changes the index: the grid
// lists every row of the payer again.
void OrderChangeRelistsRows(benchmark::State& state) {
    IndexWindow& w = window();
    w.showGrid();
    const auto listingsBefore = w.grid->gridModel()->listings();
    bool byName = false;
    for (auto _ : state) {
        w.employees.setIndexName(byName ? "Ninx" : "Pinx");
        byName = !byName;
        IndexWindow::settle();
        w.grid->viewport()->repaint();
    }
    // One listing of every row per order change, or the figure measures nothing.
    state.counters["listings"] =
        benchmark::Counter(double(w.grid->gridModel()->listings() - listingsBefore),
                           benchmark::Counter::kAvgIterations);
    state.counters["rows"] = double(w.grid->gridModel()->listedRows());
}
BENCHMARK(OrderChangeRelistsRows)->Unit(benchmark::kMillisecond);

// The listing alone: the payer's 20,000 bookmarks in name order from the index, and the
// cursor walk (first, next, bookmark: every record read) that it replaced in the grid.
void ListBookmarksFromIndex(benchmark::State& state) {
    IndexWindow& w = window();
    for (auto _ : state) benchmark::DoNotOptimize(w.walker.listBookmarks());
}
BENCHMARK(ListBookmarksFromIndex)->Unit(benchmark::kMillisecond);

void ListBookmarksByCursorWalk(benchmark::State& state) {
    IndexWindow& w = window();
    for (auto _ : state) {
        std::vector<engine::Bookmark> rows;
        for (w.walker.first(); !w.walker.eof(); w.walker.next())
            rows.push_back(w.walker.bookmark());
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(ListBookmarksByCursorWalk)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    lumiro::bench::MedianReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    theWindow.reset();

    const auto& s = reporter.seconds;
    auto at = [&](const char* name) {
        auto it = s.find(name);
        return it == s.end() ? 0.0 : it->second;
    };
    const double engine = at("SearchEngineOnly");
    const double keystroke = at("SearchKeystrokeWithGrid");
    const double relist = at("OrderChangeRelistsRows");
    const double fromIndex = at("ListBookmarksFromIndex");
    const double byWalk = at("ListBookmarksByCursorWalk");
    std::printf("\n| Figure | Time | Ratio |\n|---|---|---|\n");
    if (engine > 0 && keystroke > 0)
        std::printf("| keystroke with grid / engine search alone | %.1f µs | %.1f |\n",
                    keystroke * 1e6, keystroke / engine);
    if (keystroke > 0)
        std::printf("| keystroke with grid / 50 ms target | %.1f µs | %.3f |\n", keystroke * 1e6,
                    keystroke / kKeystrokeTargetSeconds);
    if (engine > 0 && relist > 0)
        std::printf("| order change, 20,000 rows listed / engine search alone | %.2f ms | %.0f |\n",
                    relist * 1e3, relist / engine);
    if (relist > 0)
        std::printf("| order change, 20,000 rows listed / 50 ms target | %.2f ms | %.3f |\n",
                    relist * 1e3, relist / kKeystrokeTargetSeconds);
    if (fromIndex > 0 && byWalk > 0)
        std::printf(
            "| 20,000 bookmarks from the index / by cursor walk (%.1f ms) | %.2f ms | %.3f |\n",
            byWalk * 1e3, fromIndex * 1e3, fromIndex / byWalk);
    return 0;
}
