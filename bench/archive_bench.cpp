// The archive of a data folder with 20,000 employees (RP7) and 300,000 earnings rows (ZAR):
// every table checked by the engine (each block once), copied into the archive's working folder
// with a sync of each file, and moved into place as one recorded set of moves. The reference, in
// the same run, is a plain recursive copy of the same files (`cp -r`) followed by a sync of the
// copies (`sync` on each), which is what a user would do by hand to get a copy that survives a
// power cut.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/env.h"
#include "engine/session.h"
#include "engine/table.h"
#include "fixtures.h"
#include "maintenance/archive.h"
#include "median_reporter.h"

namespace {

using namespace lumiro;
namespace fs = std::filesystem;

constexpr int kEmployees = 20000;
constexpr int kEarnings = 300000;
constexpr double kTargetRatio = 1.5;

bench::ScratchDir* scratch = nullptr;
std::string root;

void buildData() {
    root = scratch->file("dane");
    fs::create_directories(root + "/BAZA/KADRY");
    engine::Session session("BENCH");
    bench::buildRp7(session, root + "/BAZA/KADRY/RP7", kEmployees, 4);
    session.createTable(root + "/BAZA/KADRY/ZAR", bench::zarDefinition());
    engine::Table zar(session);
    zar.open(root + "/BAZA/KADRY/ZAR", engine::AccessMode::Exclusive);
    bench::PolishData data;
    zar.beginBatch();
    for (int n = 0; n < kEarnings; ++n) {
        zar.append();
        bench::fillZar(zar, data.zarRow(n));
        zar.post();
    }
    zar.endBatch();
    zar.close();
}

std::uint64_t dataBytes() {
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(root + "/BAZA"))
        if (e.is_regular_file()) total += e.file_size();
    return total;
}

void ArchiveData(benchmark::State& state) {
    const std::string archive = scratch->file("ARCHIWUM");
    const std::string program = scratch->file("program");
    for (auto _ : state) {
        const maintenance::Outcome out =
            maintenance::archiveData(engine::Env::system(), {root, {}, program}, archive);
        if (!out.ok) state.SkipWithError(out.error.toStdString().c_str());
    }
    state.counters["MB"] = double(dataBytes()) / 1e6;
}

void CopyAndSync(benchmark::State& state) {
    const std::string copy = scratch->file("KOPIA");
    for (auto _ : state) {
        fs::remove_all(copy);
        const std::string command = "cp -r '" + root + "' '" + copy + "' && find '" + copy +
                                    "' -type f -exec sync {} + && sync -f '" + copy + "'";
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp -r failed");
    }
}

void CheckTables(benchmark::State& state) {
    for (auto _ : state) {
        for (const char* t : {"/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB"}) {
            const QString problem = maintenance::detail::tableProblems(engine::Env::system(), root + t);
            if (!problem.isEmpty()) state.SkipWithError(problem.toStdString().c_str());
        }
    }
}

BENCHMARK(CheckTables)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ArchiveData)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::ScratchDir dir;
    scratch = &dir;
    std::fprintf(stderr, "Building %d employees and %d earnings rows in %s (%s)...\n", kEmployees,
                 kEarnings, dir.path().c_str(), dir.fileSystem().c_str());
    buildData();
    bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double reference = reporter.at("CopyAndSync");
    const double archive = reporter.at("ArchiveData");
    if (reference > 0 && archive > 0)
        std::printf(
            "\nArchive %.2f s against cp -r and sync %.2f s: ratio %.2f (goal under %.1f)\n",
            archive, reference, archive / reference, kTargetRatio);
    benchmark::Shutdown();
    return 0;
}
