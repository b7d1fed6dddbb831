#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>

#include "bench_config.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::bench {

namespace {

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

// Prints "baseline_kB peak_kB walk_ns rows" for the parent; exit code 1 on failure.
int runMemoryChild(const char* dataPath) {
    try {
        long baseline = maxRssKb();
        auto start = std::chrono::steady_clock::now();
        engine::Session session("PAMIEC");
        engine::Table t(session);
        t.open(dataPath);
        long long rows = 0;
        std::size_t bytes = 0;
        const int fields = t.storedFieldCount();
        for (t.first(); !t.eof(); t.next()) {
            for (int i = 0; i < fields; ++i) bytes += t.asString(i).size();
            ++rows;
        }
        auto walk = std::chrono::steady_clock::now() - start;
        long peak = maxRssKb();
        std::printf("%ld %ld %lld %lld\n", baseline, peak,
                    static_cast<long long>(std::chrono::nanoseconds(walk).count()), rows);
        std::fprintf(stderr, "%zu bytes of text read\n", bytes);
        return 0;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}

}  // namespace lumiro::bench
