// The console report of Google Benchmark, keeping each benchmark's real time in seconds: of
// its single run, or the median when it was repeated. The figures are then put in ratio
// against their reference by the program's main().
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace lumiro::bench {

class MedianReporter : public benchmark::ConsoleReporter {
  public:
    // By the function name ("BareDrawing"), or with `fullNames` by the whole name with its
    // arguments ("Search/3").
    explicit MedianReporter(bool fullNames = false) : fullNames_(fullNames) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || median))
                seconds[fullNames_ ? run.run_name.str() : run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    // The seconds of a benchmark, 0 when it did not run.
    double at(const std::string& name) const {
        const auto it = seconds.find(name);
        return it == seconds.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> seconds;

  private:
    bool fullNames_;
};

}  // namespace lumiro::bench
