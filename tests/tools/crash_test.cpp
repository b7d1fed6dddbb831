// `load` killed with SIGKILL at random moments: every row it acknowledged with "ok N" must
// survive with its values, no row may be half written, and the table must pass `check`.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "tool_runner.h"

namespace lumiro::tools::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 4000;
constexpr auto kTimeBudget = std::chrono::seconds(15);
constexpr int kMaxRounds = 10;

std::string rowText(int round, int key) {
    return "runda " + std::to_string(round) + " wiersz " + std::to_string(key) + " żółć";
}

struct Acknowledged {
    std::set<long> lines;
    bool exitedByItself = false;
};

// Starts `load`, reads its "ok N" lines until `delay` has passed, kills it and reads what it
// had written before dying. Only complete lines count: a torn "ok 12" was never promised.
Acknowledged loadAndKill(const ScratchDir& dir, const std::string& table, const std::string& tsv,
                         std::chrono::milliseconds delay) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) std::abort();
    std::string errPath = dir.file(".load-stderr");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        ::dup2(pipeFds[1], 1);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) ::dup2(err, 2);
        std::string exe = LUMIRO_DB_EXE;
        std::string cmd = "load";
        std::string t = table;
        std::string f = tsv;
        char* argv[] = {exe.data(), cmd.data(), t.data(), f.data(), nullptr};
        ::execv(exe.c_str(), argv);
        ::_exit(127);
    }
    ::close(pipeFds[1]);

    Acknowledged ack;
    std::string pending;
    auto consume = [&](const char* data, ssize_t n) {
        pending.append(data, std::size_t(n));
        std::size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line.starts_with("ok ")) ack.lines.insert(std::stol(line.substr(3)));
        }
    };
    char buf[4096];
    auto deadline = Clock::now() + delay;
    bool eof = false;
    while (!eof && Clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, int(std::max<long>(left.count(), 0))) <= 0) continue;
        ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n <= 0)
            eof = true;
        else
            consume(buf, n);
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ack.exitedByItself = WIFEXITED(status);
    if (ack.exitedByItself) {
        EXPECT_EQ(WEXITSTATUS(status), 0) << dir.read(".load-stderr");
    }
    ssize_t n;
    while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0) consume(buf, n);
    ::close(pipeFds[0]);
    return ack;
}

struct Stored {
    int round = 0;
    std::string text;
    bool operator==(const Stored&) const = default;
};

std::map<int, Stored> parseDump(const std::string& dump) {
    std::map<int, Stored> rows;
    std::size_t pos = dump.find('\n') + 1;  // past the header
    while (pos < dump.size()) {
        std::size_t end = dump.find('\n', pos);
        std::string line = dump.substr(pos, end - pos);
        pos = end + 1;
        std::size_t t1 = line.find('\t');
        std::size_t t2 = line.find('\t', t1 + 1);
        rows[std::stoi(line.substr(0, t1))] = {std::stoi(line.substr(t1 + 1, t2 - t1 - 1)),
                                               line.substr(t2 + 1)};
    }
    return rows;
}

TEST(CrashTest, AcknowledgedRowsSurviveSigkill) {
    unsigned seed = 20240229;
    if (const char* s = std::getenv("LUMIRO_CRASH_SEED")) seed = unsigned(std::atol(s));
    std::mt19937 random(seed);
    SCOPED_TRACE("LUMIRO_CRASH_SEED=" + std::to_string(seed));

    ScratchDir dir;
    std::string table = dir.file("OBCIAZ");
    dir.write("uklad.txt",
              "NR\tI\t0\nRUNDA\tI\t0\nTEKST\tA\t60\nkey=1\n"
              "index\tPO_RUNDZIE\tRUNDA;NR\t-\nindex\tPO_TEKSCIE\tTEKST\tnocase\n");
    RunResult created = runLumiroDb(dir, {"create", table, dir.file("uklad.txt")});
    ASSERT_EQ(created.exitCode, 0) << created.err;

    std::map<int, Stored> known;  // what the table held after the previous round
    std::vector<int> keys(kRows);
    std::iota(keys.begin(), keys.end(), 0);
    auto start = Clock::now();
    int killedMidway = 0;
    int rounds = 0;
    std::size_t acknowledged = 0;
    for (int round = 1; round <= kMaxRounds && Clock::now() - start < kTimeBudget; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // A fresh order each round, so that inserts and updates land all over the indexes.
        std::shuffle(keys.begin(), keys.end(), random);
        std::string tsv = "NR\tRUNDA\tTEKST\n";
        for (int k : keys)
            tsv +=
                std::to_string(k) + "\t" + std::to_string(round) + "\t" + rowText(round, k) + "\n";
        dir.write("dane.tsv", tsv);

        auto delay = std::chrono::milliseconds(
            std::uniform_int_distribution<int>(round == 1 ? 300 : 30, 1500)(random));
        Acknowledged ack = loadAndKill(dir, table, dir.file("dane.tsv"), delay);
        if (!ack.exitedByItself) ++killedMidway;
        ++rounds;
        acknowledged += ack.lines.size();

        RunResult check = runLumiroDb(dir, {"check", table});
        ASSERT_EQ(check.exitCode, 0) << check.out << check.err;
        RunResult dump = runLumiroDb(dir, {"dump", table});
        ASSERT_EQ(dump.exitCode, 0) << dump.err;
        std::map<int, Stored> now = parseDump(dump.out);

        Stored fresh;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            int k = keys[i];
            long line = long(i) + 2;
            fresh = {round, rowText(round, k)};
            auto it = now.find(k);
            if (ack.lines.count(line)) {
                ASSERT_TRUE(it != now.end()) << "acknowledged row lost: line " << line;
                ASSERT_EQ(it->second, fresh) << "acknowledged row changed: line " << line;
                continue;
            }
            // Not acknowledged: either the old row or the new one, never a mixture.
            auto old = known.find(k);
            if (it == now.end()) {
                ASSERT_TRUE(old == known.end()) << "row " << k << " vanished";
            } else {
                bool isOld = old != known.end() && it->second == old->second;
                ASSERT_TRUE(isOld || it->second == fresh)
                    << "row " << k << " holds round " << it->second.round << ": "
                    << it->second.text;
            }
        }
        ASSERT_LE(now.size(), std::size_t(kRows)) << "rows appeared from nowhere";
        known = std::move(now);
    }
    std::cout << "rounds " << rounds << ", killed during the load " << killedMidway
              << ", rows acknowledged " << acknowledged << "\n";
    EXPECT_GT(killedMidway, 0) << "every load finished before the kill; nothing was tested";
}

}  // namespace
}  // namespace lumiro::tools::testing
