#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "bench_config.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::bench {

namespace {

// Peak and current resident size of this process in kB from /proc/self/status. Not
// getrusage's ru_maxrss: Linux keeps that across exec, so this child would inherit the
// benchmark program's peak; VmHWM belongs to the address space exec has just made.
long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, std::strlen(key), key) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return -1;
}

}  // namespace

// Prints "baseline_kB peak_kB walk_ns rows text_bytes" for the parent; exit code 1 on failure.
int runMemoryChild(const char* dataPath) {
    try {
        long baseline = statusKb("VmRSS:");
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
        long peak = statusKb("VmHWM:");
        std::printf("%ld %ld %lld %lld %zu\n", baseline, peak,
                    static_cast<long long>(std::chrono::nanoseconds(walk).count()), rows, bytes);
        return 0;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}

}  // namespace lumiro::bench
