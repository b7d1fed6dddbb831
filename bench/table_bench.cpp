// Benchmarks of the table engine on the program's own layouts. Fixture files are built once
// per run, outside every timed region.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "bench_config.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "fixtures.h"
#include "sqlite_reference.h"

namespace lumiro::bench {

using namespace engine;
namespace fs = std::filesystem;

namespace {

class Fixtures {
  public:
    static Fixtures& get() {
        static Fixtures instance;
        return instance;
    }

    const ScratchDir& dir() const { return dir_; }

    // The pristine 20,000-row table, read by the open, search and memory benchmarks.
    const std::string& rp7() {
        if (rp7_.empty()) {
            fs::create_directories(dir_.file("rp7"));
            Session s("FIXTURES");
            std::string path = dir_.file("rp7/RP7.DB");
            buildRp7(s, path, kRp7Rows, kRp7Payers);
            rp7_ = path;
        }
        return rp7_;
    }

    // A copy of it that the post benchmark may change.
    const std::string& rp7ForPosts() {
        if (rp7Posts_.empty()) {
            rp7();
            fs::copy(dir_.file("rp7"), dir_.file("posts"), fs::copy_options::recursive);
            rp7Posts_ = dir_.file("posts/RP7.DB");
        }
        return rp7Posts_;
    }

    SqliteRp7& sqlite() {
        if (!sqlite_)
            sqlite_ = std::make_unique<SqliteRp7>(dir_.file("rp7.sqlite"), kRp7Rows, kRp7Payers);
        return *sqlite_;
    }

    const std::vector<ZarRow>& zarRows() {
        if (zar_.empty()) {
            PolishData data(7);
            zar_.reserve(kZarRows);
            for (int n = 0; n < kZarRows; ++n) zar_.push_back(data.zarRow(n));
        }
        return zar_;
    }

  private:
    Fixtures() = default;
    ScratchDir dir_;
    std::string rp7_;
    std::string rp7Posts_;
    std::unique_ptr<SqliteRp7> sqlite_;
    std::vector<ZarRow> zar_;
};

// Rows to edit and the texts to write, the same sequence for both engines.
struct Edit {
    std::int64_t zlec;
    std::int64_t nr;
    std::string base;
};

std::vector<Edit> edits(int column) {
    PolishData data(99);
    std::vector<Edit> out;
    for (int i = 0; i < 4096; ++i) {
        int n = int(data.rng()() % kRp7Rows);
        Rp7Row row = data.rp7Row(n, kRp7Payers);
        out.push_back(
            {1 + n % kRp7Payers, 1 + n / kRp7Payers, column == 1 ? row.texts[0] : data.remark()});
    }
    return out;
}

// The counter makes every write a real change.
std::string editedText(const Edit& e, std::uint64_t counter) {
    return e.base + " " + std::to_string(counter);
}

void reportError(benchmark::State& state, const std::exception& e) {
    state.SkipWithError(e.what());
}

}  // namespace

std::string fixtureFolderInfo() {
    const ScratchDir& dir = Fixtures::get().dir();
    return dir.path() + " (" + dir.fileSystem() + ")";
}

// Drops the table's files from the page cache (clean pages only, no privileges needed), so
// that an open reads from the disk as after a restart.
static void evictFromCache(Session& session, const std::string& path) {
    for (const auto& file : session.companionFiles(session.resolveDataPath(path))) {
        int fd = ::open(file.c_str(), O_RDONLY);
        if (fd < 0) continue;
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Table::open and reading every column of the first record. Argument: 1 with the files
// evicted from the page cache before each open, 0 with them cached.
static void Rp7Open(benchmark::State& state) {
    try {
        const bool cold = state.range(0) != 0;
        const std::string& path = Fixtures::get().rp7();
        Session session("OTWIERANIE");
        for (auto _ : state) {
            if (cold) {
                state.PauseTiming();
                evictFromCache(session, path);
                state.ResumeTiming();
            }
            Table t(session);
            t.open(path);
            t.first();
            for (int i = 0; i < t.storedFieldCount(); ++i) benchmark::DoNotOptimize(t.asString(i));
            state.PauseTiming();
            t.close();
            state.ResumeTiming();
        }
        state.counters["rows"] = kRp7Rows;
        state.counters["data_MB"] = double(fileBytes(path)) / (1024 * 1024);
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(Rp7Open)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Nearest-key search of a surname prefix on the case-insensitive index Ninx (ZLEC;POLE1).
static void Rp7FindNearestNinx(benchmark::State& state) {
    try {
        const std::string& path = Fixtures::get().rp7();
        PolishData data(5);
        std::vector<std::vector<Value>> keys;
        for (int i = 0; i < 4096; ++i)
            keys.push_back(
                {Value{std::int64_t(1 + data.rng()() % kRp7Payers)}, Value{data.surnamePrefix()}});
        Session session("SZUKANIE");
        Table t(session);
        t.open(path);
        t.setIndexName("Ninx");
        std::size_t i = 0;
        for (auto _ : state) {
            t.findNearest(keys[i++ & 4095]);
            benchmark::DoNotOptimize(t.eof());
        }
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(Rp7FindNearestNinx)->Unit(benchmark::kMicrosecond);

// One durable post: find the row by its primary key, edit a text column, post. Argument:
// the POLEn column edited (38 is free text, 1 is the surname that Ninx indexes).
static void Rp7DurablePost(benchmark::State& state) {
    try {
        int column = int(state.range(0));
        const std::string& path = Fixtures::get().rp7ForPosts();
        auto list = edits(column);
        Session session("ZAPIS");
        Table t(session);
        t.open(path);
        int field = t.field("POLE" + std::to_string(column));
        std::uint64_t counter = 0;
        for (auto _ : state) {
            const Edit& e = list[counter % list.size()];
            if (!t.findKey({Value{e.zlec}, Value{e.nr}})) {
                state.SkipWithError("row to edit not found");
                break;
            }
            t.edit();
            t.setValue(field, Value{editedText(e, counter++)});
            t.post();
        }
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(Rp7DurablePost)
    ->ArgName("pole")
    ->Arg(38)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same durable single-row update in SQLite (synchronous=FULL, rollback journal).
static void SqliteDurableUpdate(benchmark::State& state) {
    try {
        int column = int(state.range(0));
        SqliteRp7& db = Fixtures::get().sqlite();
        auto list = edits(column);
        std::uint64_t counter = 0;
        for (auto _ : state) {
            const Edit& e = list[counter % list.size()];
            db.updatePole(column, e.zlec, e.nr, editedText(e, counter++));
        }
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(SqliteDurableUpdate)
    ->ArgName("pole")
    ->Arg(38)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 100,000 earnings rows appended to an empty table in one batch, until the table is closed.
static void ZarAppendBatch(benchmark::State& state) {
    try {
        auto& fx = Fixtures::get();
        const auto& rows = fx.zarRows();
        std::string path = fx.dir().file("ZAR.DB");
        Session session("DOPISYWANIE");
        for (auto _ : state) {
            state.PauseTiming();
            if (session.tableExists(path)) session.deleteTable(path);
            session.createTable(path, zarDefinition());
            Table t(session);
            t.open(path);
            state.ResumeTiming();
            t.beginBatch();
            for (const ZarRow& row : rows) {
                t.append();
                fillZar(t, row);
                t.post();
            }
            t.endBatch();
            t.close();
        }
        state.counters["rows_per_s"] = benchmark::Counter(
            double(rows.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
        state.counters["data_MB"] = double(fileBytes(path)) / (1024 * 1024);
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(ZarAppendBatch)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory of a process that opens the 20,000-row table and reads every column of every
// row. A fresh process (fork and exec of this program) so that nothing this one allocated
// counts; the time reported is the walk's, measured in the child.
static void Rp7PeakMemory(benchmark::State& state) {
    try {
        const std::string& path = Fixtures::get().rp7();
        for (auto _ : state) {
            int fds[2];
            if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
            std::string arg = std::string(kMemoryChildFlag) + path;
            pid_t pid = fork();
            if (pid < 0) throw std::runtime_error("fork failed");
            if (pid == 0) {
                dup2(fds[1], STDOUT_FILENO);
                close(fds[0]);
                close(fds[1]);
                execl("/proc/self/exe", "lumiro_bench", arg.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            close(fds[1]);
            std::string out;
            char buf[256];
            for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
                out.append(buf, std::size_t(n));
            close(fds[0]);
            int status = 0;
            waitpid(pid, &status, 0);
            long baselineKb = 0, peakKb = 0;
            long long walkNs = 0, rows = 0;
            std::size_t textBytes = 0;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
                std::sscanf(out.c_str(), "%ld %ld %lld %lld %zu", &baselineKb, &peakKb, &walkNs,
                            &rows, &textBytes) != 5) {
                state.SkipWithError(("memory child failed: " + out).c_str());
                break;
            }
            state.SetIterationTime(double(walkNs) / 1e9);
            double growth = double(peakKb - baselineKb) * 1024;
            double data = double(fileBytes(path));
            double budget = 2 * data + kMemorySlackBytes;
            state.counters["rows"] = double(rows);
            state.counters["text_read_MB"] = double(textBytes) / (1024 * 1024);
            state.counters["peak_growth_MB"] = growth / (1024 * 1024);
            state.counters["data_MB"] = data / (1024 * 1024);
            state.counters["budget_MB"] = budget / (1024 * 1024);
            state.counters["growth_per_data"] = growth / data;
        }
    } catch (const std::exception& e) {
        reportError(state, e);
    }
}
BENCHMARK(Rp7PeakMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace lumiro::bench
