// Runs the benchmarks and prints a summary in which every figure is a ratio against its
// target or against the reference measured in the same run (below 1 is better).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_config.h"

namespace {

using lumiro::bench::kMemorySlackBytes;

struct Figure {
    double seconds = 0;  // real time per iteration
    std::map<std::string, double> counters;
};

// Keeps the per-benchmark results next to the usual console output.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            Figure f;
            f.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters) f.counters[name] = counter.value;
            figures[run.benchmark_name()] = f;
        }
    }
    std::map<std::string, Figure> figures;
};

std::string formatSeconds(double s) {
    char buf[64];
    if (s >= 1)
        std::snprintf(buf, sizeof buf, "%.2f s", s);
    else if (s >= 1e-3)
        std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.2f µs", s * 1e6);
    return buf;
}

std::string formatRatio(double r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, r < 0.1 ? "%.3f" : "%.2f", r);
    return buf;
}

std::string summary(const std::map<std::string, Figure>& figures) {
    std::ostringstream out;
    out << "| Measurement | Measured | Target or reference | Ratio |\n"
        << "|---|---|---|---|\n";
    auto row = [&](const std::string& what, const std::string& measured, const std::string& ref,
                   double ratio) {
        out << "| " << what << " | " << measured << " | " << ref << " | " << formatRatio(ratio)
            << " |\n";
    };
    auto find = [&](const std::string& name) -> const Figure* {
        auto it = figures.find(name);
        return it == figures.end() ? nullptr : &it->second;
    };
    using namespace lumiro::bench;
    for (const char* cold : {"1", "0"})
        if (auto f = find(std::string("Rp7Open/cold:") + cold + "/real_time"))
            row(std::string("Open a 20,000-row RP7 table and read its first record (") +
                    (std::string(cold) == "1" ? "files not cached" : "files cached") + ")",
                formatSeconds(f->seconds), "target " + formatSeconds(kOpenTargetSeconds),
                f->seconds / kOpenTargetSeconds);
    if (auto f = find("Rp7FindNearestNinx"))
        row("Nearest-key search of a surname prefix on Ninx", formatSeconds(f->seconds),
            "target " + formatSeconds(kNearestTargetSeconds), f->seconds / kNearestTargetSeconds);
    for (const char* pole : {"38", "1"}) {
        auto ours = find(std::string("Rp7DurablePost/pole:") + pole + "/real_time");
        auto ref = find(std::string("SqliteDurableUpdate/pole:") + pole + "/real_time");
        if (ours && ref)
            row(std::string("Durable post of an edited RP7 row (POLE") + pole +
                    (std::string(pole) == "1" ? ", indexed" : ", not indexed") + ")",
                formatSeconds(ours->seconds),
                "SQLite synchronous=FULL " + formatSeconds(ref->seconds),
                ours->seconds / ref->seconds);
    }
    if (auto f = find("ZarAppendBatch/iterations:3/real_time"))
        row("Append 100,000 ZAR rows in one batch", formatSeconds(f->seconds),
            "target " + formatSeconds(kZarAppendTargetSeconds),
            f->seconds / kZarAppendTargetSeconds);
    if (auto f = find("Rp7PeakMemory/iterations:1/manual_time")) {
        double growth = f->counters.at("peak_growth_MB");
        double data = f->counters.at("data_MB");
        double budget = f->counters.at("budget_MB");
        char measured[64], ref[96];
        std::snprintf(measured, sizeof measured, "%.1f MB", growth);
        std::snprintf(ref, sizeof ref, "2 × %.1f MB data file + %.0f MB = %.1f MB", data,
                      kMemorySlackBytes / (1024 * 1024), budget);
        row("Peak memory growth walking every column of 20,000 RP7 rows", measured, ref,
            growth / budget);
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strncmp(argv[1], lumiro::bench::kMemoryChildFlag,
                                  std::strlen(lumiro::bench::kMemoryChildFlag)) == 0)
        return lumiro::bench::runMemoryChild(argv[1] +
                                             std::strlen(lumiro::bench::kMemoryChildFlag));

    // --lumiro_summary=FILE also writes the summary table to FILE.
    std::string summaryFile;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const char* flag = "--lumiro_summary=";
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
            summaryFile = argv[i] + std::strlen(flag);
        else
            args.push_back(argv[i]);
    }
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
    std::string fixtures = lumiro::bench::fixtureFolderInfo();
    benchmark::AddCustomContext("fixtures", fixtures);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::string table = summary(reporter.figures);
    std::printf("\nFixture files: %s\n", fixtures.c_str());
    std::printf("\nRatios below 1 meet the target or beat the reference:\n\n%s", table.c_str());
    if (!summaryFile.empty()) std::ofstream(summaryFile) << table;
    return 0;
}
