// What survives a power cut, a failed write or sync, a full disk, and a second program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <optional>
#include <random>

#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "support/fault_env.h"
#include "support/temp_dir.h"

using namespace lumiro::engine;
using lumiro::test::MemEnv;

namespace {

const std::string kTable = "/dane/RP7";

TableDef layout() {
    TableDef def;
    auto f = [](const char* n, FieldType t, int size = 0) {
        FieldDef d;
        d.name = n;
        d.type = t;
        d.size = size;
        return d;
    };
    def.fields = {f("ZLEC", FieldType::Long), f("NR", FieldType::Long), f("POLE1", FieldType::Alpha, 120),
                  f("AUTO", FieldType::AutoInc), f("KWOTA", FieldType::Money)};
    IndexDef p;
    p.primary = p.unique = true;
    p.fields = {"ZLEC", "NR"};
    IndexDef n;
    n.name = "Ninx";
    n.caseInsensitive = true;
    n.fields = {"ZLEC", "POLE1"};
    def.indexes = {p, n};
    return def;
}

using Model = std::map<int, std::string>;  // NR -> name (ZLEC is always 1)

// One step of a fixed workload: inserts, edits and deletes, enough to split and free pages.
struct Step {
    enum Kind { Insert, Edit, Delete } kind;
    int nr;
    std::string name;
};

std::vector<Step> workload(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Step> steps;
    Model m;
    for (int i = 0; i < count; ++i) {
        int nr = int(rng() % 60) + 1;
        std::string name(1 + rng() % 100, char('a' + rng() % 26));
        if (!m.count(nr)) {
            steps.push_back({Step::Insert, nr, name});
            m[nr] = name;
        } else if (rng() % 3) {
            steps.push_back({Step::Edit, nr, name});
            m[nr] = name;
        } else {
            steps.push_back({Step::Delete, nr, ""});
            m.erase(nr);
        }
    }
    return steps;
}

void applyStep(Model& m, const Step& s) {
    if (s.kind == Step::Delete) m.erase(s.nr);
    else m[s.nr] = s.name;
}

void run(Table& t, const Step& s) {
    if (s.kind == Step::Insert) {
        t.insert();
        t.setValue("ZLEC", Value{std::int64_t(1)});
        t.setValue("NR", Value{std::int64_t(s.nr)});
        t.setValue("POLE1", Value{s.name});
        t.setValue("KWOTA", Value{double(s.nr) * 1.25});
        t.post();
        return;
    }
    if (!t.findKey({Value{std::int64_t(1)}, Value{std::int64_t(s.nr)}}))
        throw std::logic_error("record missing");
    if (s.kind == Step::Edit) {
        t.edit();
        t.setValue("POLE1", Value{s.name});
        t.post();
    } else {
        t.remove();
    }
}

Model read(Env& env) {
    Session s("CHECK", env);
    Table t(s);
    t.open(kTable);
    auto problems = t.verify();
    for (const auto& p : problems) ADD_FAILURE() << p;
    Model m;
    for (t.first(); !t.eof(); t.next()) m[int(t.asInteger(t.field("NR")))] = t.asString(t.field("POLE1"));
    return m;
}

void create(MemEnv& env) {
    Session s("SETUP", env);
    s.createTable(kTable, layout());
    env.syncDir("/dane");
}

}  // namespace

TEST(Durability, PowerCutAtAnyPointKeepsEveryAcknowledgedPost) {
    const auto steps = workload(120, 3);
    std::uint64_t total = 0;
    {
        MemEnv env;
        create(env);
        std::uint64_t start = env.operationCount();
        Session s("S", env);
        Table t(s);
        t.open(kTable);
        for (const auto& st : steps) run(t, st);
        t.close();
        total = env.operationCount() - start;
    }
    ASSERT_GT(total, 100u);
    std::mt19937 rng(11);
    std::vector<std::uint64_t> cuts;
    for (std::uint64_t c = 0; c < 40; ++c) cuts.push_back(c);
    for (int i = 0; i < 120; ++i) cuts.push_back(rng() % total);
    for (std::uint64_t cut : cuts) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " operations");
        MemEnv env;
        create(env);
        Model acked;
        std::optional<Step> inFlight;
        env.crashAfter(cut);
        try {
            Session s("S", env);
            Table t(s);
            t.open(kTable);
            for (const auto& st : steps) {
                inFlight = st;
                run(t, st);
                applyStep(acked, st);
                inFlight.reset();
            }
        } catch (const EngineError&) {
        }
        env.dropUnsyncedData();
        Model found = read(env);
        Model withInFlight = acked;
        if (inFlight) applyStep(withInFlight, *inFlight);
        // The post that was under way when the power went may or may not have made it.
        EXPECT_TRUE(found == acked || found == withInFlight);
    }
}

TEST(Durability, FailedWriteOrSyncLeavesTheTableAsItWasOrDone) {
    for (int kind = 0; kind < 2; ++kind) {
        for (int nth = 1; nth <= 14; ++nth) {
            SCOPED_TRACE((kind ? "sync " : "write ") + std::to_string(nth));
            MemEnv env;
            create(env);
            Model before;
            {
                Session s("S", env);
                Table t(s);
                t.open(kTable);
                for (int i = 1; i <= 30; ++i) {
                    run(t, {Step::Insert, i, "osoba " + std::to_string(i)});
                    before[i] = "osoba " + std::to_string(i);
                }
                Model after = before;
                after[31] = "nowa";
                if (kind) env.failSync(nth);
                else env.failWrite(nth);
                bool threw = false;
                try {
                    run(t, {Step::Insert, 31, "nowa"});
                } catch (const EngineError& e) {
                    threw = true;
                    EXPECT_FALSE(std::string(e.what()).empty());
                }
                env.clearFaults();
                t.close();
                Model found = read(env);
                if (threw) EXPECT_TRUE(found == before || found == after);
                else EXPECT_EQ(found, after);
            }
        }
    }
}

TEST(Durability, FullDiskIsReportedAndChangesNothing) {
    MemEnv env;
    create(env);
    Session s("S", env);
    Table t(s);
    t.open(kTable);
    run(t, {Step::Insert, 1, "pierwszy"});
    env.setSpaceLeft(100);
    try {
        for (int i = 2; i < 400; ++i) run(t, {Step::Insert, i, std::string(110, 'x')});
        FAIL() << "the disk never filled";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::DiskFull);
        EXPECT_NE(std::string(e.what()).find("miejsca"), std::string::npos) << e.what();
    }
    EXPECT_EQ(t.state(), TableState::Insert);
    t.cancel();
    env.setSpaceLeft(std::nullopt);
    run(t, {Step::Insert, 2, "drugi"});
    t.close();
    Model m = read(env);
    EXPECT_EQ(m, (Model{{1, "pierwszy"}, {2, "drugi"}}));
}

TEST(Durability, TwoProgramsWritingTheSameTableDoNotCorruptIt) {
    lumiro::test::TempDir dir;
    std::string path = dir.path() + "/RP7";
    {
        Session s("S");
        s.createTable(path, layout());
    }
    auto writer = [&](int base) {
        Session s("S");
        Table t(s);
        t.open(path);
        for (int i = 0; i < 150; ++i) {
            run(t, {Step::Insert, base + i, "p" + std::to_string(base + i)});
            if (i % 10 == 9) {
                t.findKey({Value{std::int64_t(1)}, Value{std::int64_t(base + i - 5)}});
                t.remove();
            }
        }
    };
    pid_t kids[2];
    for (int k = 0; k < 2; ++k) {
        kids[k] = fork();
        ASSERT_GE(kids[k], 0);
        if (kids[k] == 0) {
            int rc = 0;
            try {
                writer(1000 * (k + 1));
            } catch (const std::exception& e) {
                fprintf(stderr, "child %d: %s\n", k, e.what());
                rc = 1;
            }
            _exit(rc);
        }
    }
    for (pid_t kid : kids) {
        int status = 0;
        waitpid(kid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Session s("S");
    Table t(s);
    t.open(path);
    EXPECT_EQ(t.recordCount(), 2 * (150 - 15));
    EXPECT_TRUE(t.verify().empty());
    // While one program has the table, another cannot take it for exclusive use.
    pid_t kid = fork();
    if (kid == 0) {
        Session other("X");
        Table ex(other);
        try {
            ex.open(path, AccessMode::Exclusive);
            _exit(1);
        } catch (const EngineError& e) {
            _exit(e.code() == ErrorCode::Locked ? 0 : 2);
        }
    }
    int status = 0;
    waitpid(kid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A journal names its table and the states of its files, so that changes left by a crash are
// replayed into that table and never into another that took its name (a restore, a copy, a
// rebuilt table), whichever format the journal was written in.
namespace {

// Acknowledged posts of `names` that reached only the journal: the power went before any
// checkpoint.
void crashWithPendingPosts(MemEnv& env, const std::vector<std::string>& names) {
    {
        Session s("S", env);
        Table t(s);
        t.open(kTable);
        int nr = 0;
        for (const auto& name : names) run(t, {Step::Insert, ++nr, name});
        env.crashAfter(0);
    }
    env.dropUnsyncedData();
}

// Another table of the same name and layout, as a restore from a copy would put it there:
// created elsewhere with rows of its own, its files copied over the table's.
void replaceWithAnotherTable(MemEnv& env, const std::vector<std::string>& names) {
    {
        Session s("OTHER", env);
        s.createTable("/kopia/RP7", layout());
        Table t(s);
        t.open("/kopia/RP7");
        int nr = 0;
        for (const auto& name : names) run(t, {Step::Insert, ++nr, name});
    }
    for (const auto& name : env.listDir("/kopia"))
        env.setContents("/dane/" + name, env.contents("/kopia/" + name));
}

std::uint32_t le32(const std::vector<std::byte>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint32_t(b[at + std::size_t(i)]);
    return v;
}
void putLe32(std::vector<std::byte>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::byte(v >> (8 * i));
}
std::uint32_t crc(const std::vector<std::byte>& b, std::size_t from, std::size_t size) {
    // zlib's CRC-32, as the journal uses it.
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < from + size; ++i) {
        c ^= std::uint32_t(b[i]);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// The journal as the previous release wrote it: a 16-byte header that names nothing, and
// records without the states of the table's files.
void rewriteAsFormatOne(MemEnv& env, const std::string& path) {
    const auto now = env.contents(path);
    std::vector<std::byte> old(16, std::byte{0});
    std::memcpy(old.data(), "LMRJNL", 6);
    old[6] = std::byte{1};
    putLe32(old, 12, crc(old, 0, 12));
    std::size_t pos = 128;
    while (pos + 36 <= now.size()) {
        std::uint64_t payload = le32(now, pos + 24) | std::uint64_t(le32(now, pos + 28)) << 32;
        ASSERT_LE(pos + 36 + payload, now.size());
        std::vector<std::byte> rec(now.begin() + std::ptrdiff_t(pos),
                                   now.begin() + std::ptrdiff_t(pos + 36 + payload));
        putLe32(rec, 4, 0);
        putLe32(rec, 20, 0);
        putLe32(rec, 32 + payload, crc(rec, 0, 32 + payload));
        old.insert(old.end(), rec.begin(), rec.end());
        pos += rec.size();
    }
    env.setContents(path, old);
}

}  // namespace

TEST(JournalOwner, ChangesLeftByACrashReachTheirTableAndNoOther) {
    for (bool formatOne : {false, true}) {
        SCOPED_TRACE(formatOne ? "journal of the previous release" : "journal of today");
        {
            // The table itself gets every acknowledged post back.
            MemEnv env;
            create(env);
            crashWithPendingPosts(env, {"Anna", "Bogdan"});
            ASSERT_GT(env.contents("/dane/RP7.JNL").size(), 128u);
            if (formatOne) rewriteAsFormatOne(env, "/dane/RP7.JNL");
            EXPECT_EQ(read(env), (Model{{1, "Anna"}, {2, "Bogdan"}}));
        }
        {
            // A table put in its place keeps its own rows, even one with the same layout and
            // as many changes behind it.
            MemEnv env;
            create(env);
            crashWithPendingPosts(env, {"Anna", "Bogdan"});
            if (formatOne) rewriteAsFormatOne(env, "/dane/RP7.JNL");
            replaceWithAnotherTable(env, {"Xawery", "Ygor"});
            EXPECT_EQ(read(env), (Model{{1, "Xawery"}, {2, "Ygor"}}));
            // The stale changes are gone for good, not waiting for the next opening.
            EXPECT_EQ(read(env), (Model{{1, "Xawery"}, {2, "Ygor"}}));
        }
    }
    {
        // Renamed or copied, the table takes its changes along; a copy gets no journal.
        MemEnv env;
        create(env);
        crashWithPendingPosts(env, {"Anna", "Bogdan"});
        Session s("S", env);
        s.renameTable(kTable, "/dane/RP7B");
        s.copyTable("/dane/RP7B", kTable);
        EXPECT_FALSE(env.exists("/dane/RP7.JNL"));
        EXPECT_EQ(read(env), (Model{{1, "Anna"}, {2, "Bogdan"}}));
    }
}
