// What survives a power cut, a failed write or sync, a full disk, and a second program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <map>
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
