#include "engine/btree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "engine/error.h"
#include "engine/journal.h"
#include "engine/little_endian.h"
#include "support/fault_env.h"

namespace lumiro::engine {
namespace {

using test::MemEnv;

constexpr const char* kPath = "t/A.XG0";

// Big-endian, so that byte order is numeric order.
std::vector<std::byte> key8(std::uint64_t k) {
    std::vector<std::byte> b(8);
    for (int i = 0; i < 8; ++i) b[std::size_t(i)] = std::byte(k >> (56 - 8 * i));
    return b;
}
std::uint64_t fromKey8(const std::vector<std::byte>& b) {
    std::uint64_t k = 0;
    for (auto x : b) k = (k << 8) | std::uint64_t(x);
    return k;
}
std::vector<std::byte> value4(std::uint32_t v) {
    std::vector<std::byte> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
}
std::uint32_t fromValue4(const std::vector<std::byte>& b) {
    std::uint32_t v;
    std::memcpy(&v, b.data(), 4);
    return v;
}

IndexMeta smallMeta() {
    IndexMeta m;
    m.name = "NAZWISKO";
    m.fieldNumbers = {2, 3};
    m.caseInsensitive = true;
    m.keySize = 8;
    m.valueSize = 4;
    m.dataGeneration = 7;
    m.dataRecordCount = 99;
    m.secondaryNames = {"A", "BB"};
    return m;
}

// One index file in memory with its pager; changes go straight to the file (the journal is
// tested on its own).
struct Index {
    Index(std::size_t pageSize, const IndexMeta& meta,
          const std::vector<IndexEntry>* sorted = nullptr) {
        env.setContents(kPath, {});
        open(pageSize);
        if (sorted)
            BTree::build(*pager, meta, *sorted);
        else
            BTree::create(*pager, meta);
        pager->apply();
        tree = std::make_unique<BTree>(*pager, kPath);
    }
    explicit Index(std::size_t pageSize) { open(pageSize); }
    void open(std::size_t pageSize) {
        tree.reset();
        pager.reset();
        file = env.open(kPath, OpenMode::ReadWrite);
        pager = std::make_unique<Pager>(file.get(), 1, 0, pageSize, 64);
    }
    void reopen() {
        std::size_t ps = pager->pageSize();
        open(ps);
        tree = std::make_unique<BTree>(*pager, kPath);
    }

    MemEnv env;
    std::unique_ptr<File> file;
    std::unique_ptr<Pager> pager;
    std::unique_ptr<BTree> tree;
};

using Model = std::map<std::uint64_t, std::uint32_t>;

std::optional<std::uint64_t> keyOf(const std::optional<IndexEntry>& e) {
    if (!e) return std::nullopt;
    return fromKey8(e->key);
}

// All four seeks, find, first and last against the model at `probe`.
void checkSeeks(BTree& t, const Model& m, std::uint64_t probe) {
    auto k = key8(probe);
    auto ge = m.lower_bound(probe);
    auto gt = m.upper_bound(probe);
    auto expectKey = [&](Model::const_iterator it) -> std::optional<std::uint64_t> {
        if (it == m.end()) return std::nullopt;
        return it->first;
    };
    auto before = [&](Model::const_iterator it) -> std::optional<std::uint64_t> {
        if (it == m.begin()) return std::nullopt;
        return std::prev(it)->first;
    };
    ASSERT_EQ(keyOf(t.seekGE(k)), expectKey(ge)) << "GE " << probe;
    ASSERT_EQ(keyOf(t.seekGT(k)), expectKey(gt)) << "GT " << probe;
    ASSERT_EQ(keyOf(t.seekLE(k)), before(gt)) << "LE " << probe;
    ASSERT_EQ(keyOf(t.seekLT(k)), before(ge)) << "LT " << probe;
    auto f = t.find(k);
    ASSERT_EQ(f.has_value(), m.count(probe) == 1) << "find " << probe;
    if (f) {
        ASSERT_EQ(fromValue4(f->value), m.at(probe));
    }
    // A walk from the probe gives the next entries in order and stops when told.
    Model walked;
    t.walk(k, [&](std::span<const std::byte> key, std::span<const std::byte> value) {
        walked[fromKey8({key.begin(), key.end()})] = fromValue4({value.begin(), value.end()});
        return walked.size() < 5;
    });
    Model expected;
    for (auto it = ge; it != m.end() && expected.size() < 5; ++it) expected.insert(*it);
    ASSERT_EQ(walked, expected) << "walk " << probe;
}

void checkAll(BTree& t, const Model& m) {
    t.verify();
    ASSERT_EQ(t.size(), m.size());
    ASSERT_EQ(keyOf(t.first()), m.empty() ? std::nullopt : std::optional(m.begin()->first));
    ASSERT_EQ(keyOf(t.last()), m.empty() ? std::nullopt : std::optional(m.rbegin()->first));
    std::optional<IndexEntry> e = t.first();
    for (const auto& [k, v] : m) {
        ASSERT_TRUE(e.has_value());
        ASSERT_EQ(fromKey8(e->key), k);
        ASSERT_EQ(fromValue4(e->value), v);
        e = t.seekGT(e->key);
    }
    ASSERT_FALSE(e.has_value());
    std::vector<std::uint64_t> walked, keys;
    t.walk(key8(0), [&](std::span<const std::byte> key, std::span<const std::byte>) {
        walked.push_back(fromKey8({key.begin(), key.end()}));
        return true;
    });
    for (const auto& [k, v] : m) keys.push_back(k);
    ASSERT_EQ(walked, keys);
}

TEST(BTreeTest, RandomOperationsMatchAMapWithSmallPages) {
    // 256-byte pages hold 19 entries: thousands of operations split and empty many pages.
    Index ix(256, smallMeta());
    BTree& t = *ix.tree;
    Model m;
    std::mt19937 rng(12345);
    auto op = [&](std::uint64_t k, int kind) {
        auto key = key8(k);
        auto v = std::uint32_t(rng());
        if (kind == 0) {
            ASSERT_EQ(t.insert(key, value4(v)), m.emplace(k, v).second);
        } else if (kind == 1) {
            ASSERT_EQ(t.erase(key), m.erase(k) == 1);
        } else {
            bool present = m.count(k) == 1;
            ASSERT_EQ(t.update(key, value4(v)), present);
            if (present) m[k] = v;
        }
    };
    // Grow, shrink to nothing, grow again: covers root splits, emptied leaves and parents,
    // root collapse and reuse of freed pages.
    for (int phase = 0; phase < 3; ++phase) {
        int insertWeight = phase == 1 ? 2 : 7;
        for (int i = 0; i < 3000; ++i) {
            int r = int(rng() % 10);
            op(rng() % 2000, r < insertWeight ? 0 : (r < 9 ? 1 : 2));
            if (HasFatalFailure()) return;
            if (i % 500 == 0) {
                checkAll(t, m);
                if (HasFatalFailure()) return;
            }
        }
        if (phase == 1) {
            while (!m.empty()) op(m.begin()->first, 1);
            checkAll(t, m);
            EXPECT_FALSE(t.first().has_value());
        }
        checkAll(t, m);
        ix.tree->seal();
        ix.pager->apply();
    }
    // What was applied reads back the same from the file.
    ix.reopen();
    checkAll(*ix.tree, m);
    for (std::uint64_t probe = 0; probe < 2002; probe += 3) {
        checkSeeks(*ix.tree, m, probe);
        if (HasFatalFailure()) return;
    }
}

TEST(BTreeTest, SeeksAtEveryBoundary) {
    Index ix(256, smallMeta());
    Model m;
    for (std::uint64_t k = 2; k <= 600; k += 2) {
        ASSERT_TRUE(ix.tree->insert(key8(k), value4(std::uint32_t(k))));
        m[k] = std::uint32_t(k);
    }
    // Holes whole leaves wide, so that stale separators point at gaps.
    for (std::uint64_t k = 100; k <= 300; k += 2) {
        ASSERT_TRUE(ix.tree->erase(key8(k)));
        m.erase(k);
    }
    checkAll(*ix.tree, m);
    for (std::uint64_t probe = 0; probe <= 602; ++probe) {
        checkSeeks(*ix.tree, m, probe);
        if (HasFatalFailure()) return;
    }
    checkSeeks(*ix.tree, m, UINT64_MAX);
}

TEST(BTreeTest, BulkBuildAndHeader) {
    std::vector<IndexEntry> sorted;
    Model m;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        sorted.push_back({key8(i * 3), value4(i)});
        m[i * 3] = i;
    }
    Index ix(256, smallMeta(), &sorted);
    checkAll(*ix.tree, m);
    ix.reopen();
    checkAll(*ix.tree, m);
    const IndexMeta& got = ix.tree->meta();
    EXPECT_EQ(got.name, "NAZWISKO");
    EXPECT_EQ(got.fieldNumbers, (std::vector<std::uint16_t>{2, 3}));
    EXPECT_TRUE(got.caseInsensitive);
    EXPECT_FALSE(got.unique);
    EXPECT_EQ(got.dataGeneration, 7u);
    EXPECT_EQ(got.dataRecordCount, 99u);
    EXPECT_EQ(got.secondaryNames, (std::vector<std::string>{"A", "BB"}));

    IndexMeta changed = got;
    changed.dataGeneration = 8;
    changed.secondaryNames = {"NOWY"};
    ix.tree->setMeta(changed);
    ix.pager->apply();
    ix.reopen();
    EXPECT_EQ(ix.tree->meta().dataGeneration, 8u);
    EXPECT_EQ(ix.tree->meta().secondaryNames, (std::vector<std::string>{"NOWY"}));
    changed.keySize = 9;
    EXPECT_THROW(ix.tree->setMeta(changed), EngineError);

    // The tree keeps working after a bulk build: inserts into packed leaves split them.
    for (std::uint64_t k = 1; k < 3000; k += 3) {
        ASSERT_TRUE(ix.tree->insert(key8(k), value4(0)));
        m[k] = 0;
    }
    checkAll(*ix.tree, m);

    std::vector<IndexEntry> unsorted = {{key8(2), value4(0)}, {key8(1), value4(0)}};
    EXPECT_THROW(Index(256, smallMeta(), &unsorted), EngineError);
}

TEST(BTreeTest, RollbackAndReloadRestoreTheCommittedTree) {
    Index ix(256, smallMeta());
    Model m;
    for (std::uint64_t k = 0; k < 300; ++k) {
        ix.tree->insert(key8(k), value4(1));
        m[k] = 1;
    }
    ix.tree->seal();
    ix.pager->apply();
    for (std::uint64_t k = 0; k < 300; k += 2) ix.tree->erase(key8(k));
    for (std::uint64_t k = 1000; k < 1300; ++k) ix.tree->insert(key8(k), value4(2));
    ix.pager->rollback();
    ix.tree->reload();
    checkAll(*ix.tree, m);
}

TEST(BTreeTest, LargeTreeWithRealPageSize) {
    // The table layer's shape: 54-byte keys, 4-byte record numbers, 4096-byte pages.
    IndexMeta meta;
    meta.primary = true;
    meta.unique = true;
    meta.keySize = 54;
    meta.valueSize = 4;
    auto key54 = [](std::uint32_t i) {
        std::vector<std::byte> k(54, std::byte{' '});
        auto k8 = key8(i * 7919u % 100003u);
        std::copy(k8.begin(), k8.end(), k.begin() + 10);
        return k;
    };
    Index ix(kIndexPageSize, meta);
    std::map<std::vector<std::byte>, std::uint32_t> m;
    for (std::uint32_t i = 0; i < 20000; ++i) {
        ASSERT_TRUE(ix.tree->insert(key54(i), value4(i)));
        m[key54(i)] = i;
    }
    ix.tree->verify();
    EXPECT_EQ(ix.tree->size(), 20000u);
    for (std::uint32_t i = 0; i < 20000; i += 97) {
        auto e = ix.tree->seekGE(key54(i));
        ASSERT_TRUE(e);
        EXPECT_EQ(fromValue4(e->value), i);
    }
    std::vector<IndexEntry> sorted;
    for (const auto& [k, v] : m) sorted.push_back({k, value4(v)});
    Index built(kIndexPageSize, meta, &sorted);
    built.tree->verify();
    EXPECT_EQ(built.tree->last()->key, m.rbegin()->first);
}

// Runs every reader and some writers over a possibly damaged file: each either works or
// throws Corrupt; nothing crashes or hangs.
void exercise(Index& ix) {
    try {
        ix.reopen();
        BTree& t = *ix.tree;
        auto e = t.first();
        for (int steps = 0; e && steps < 5000; ++steps) e = t.seekGT(e->key);
        for (std::uint64_t probe : {0ull, 77ull, 333ull, 1000000ull}) {
            t.seekGE(key8(probe));
            t.seekLE(key8(probe));
            t.seekLT(key8(probe));
            t.find(key8(probe));
        }
        t.last();
        t.insert(key8(5), value4(5));
        t.erase(key8(6));
        t.verify();
    } catch (const EngineError& err) {
        ASSERT_EQ(err.code(), ErrorCode::Corrupt) << err.what();
    }
}

TEST(BTreeTest, DamagedFilesAreReportedAsCorrupt) {
    std::vector<IndexEntry> sorted;
    for (std::uint32_t i = 0; i < 200; ++i) sorted.push_back({key8(i * 2), value4(i)});
    Index ix(256, smallMeta(), &sorted);
    for (std::uint64_t k = 1; k < 100; k += 2) ix.tree->insert(key8(k), value4(0));
    for (std::uint64_t k = 0; k < 150; k += 2) ix.tree->erase(key8(k));  // free pages too
    ix.tree->seal();
    ix.pager->apply();
    const auto good = ix.env.contents(kPath);

    // Any flipped byte fails a checksum.
    for (std::size_t at = 0; at < good.size(); ++at) {
        auto bad = good;
        bad[at] ^= std::byte{0x01};
        ix.env.setContents(kPath, bad);
        try {
            ix.reopen();
            ix.tree->verify();
            FAIL() << "flip at " << at << " not detected";
        } catch (const EngineError& err) {
            ASSERT_EQ(err.code(), ErrorCode::Corrupt);
            ASSERT_NE(std::string(err.what()).find(std::string("Plik indeksu ") + kPath),
                      std::string::npos);
        }
    }
    // Damage with the checksums recomputed, as a careless tool or a fuzzer would produce:
    // structure checks alone must keep every call safe.
    const std::size_t ps = 256;
    std::mt19937 rng(99);
    for (int round = 0; round < 1500; ++round) {
        auto bad = good;
        int flips = 1 + int(rng() % 3);
        for (int f = 0; f < flips; ++f) {
            std::size_t page = rng() % (bad.size() / ps);
            // Mostly headers and links, where damage changes the structure.
            std::size_t off = rng() % 4 ? rng() % 16 : rng() % (ps - 4);
            if (page == 0) off = 16 + rng() % 40;
            bad[page * ps + off] = std::byte(rng() % 3 ? rng() % 8 : rng());
        }
        for (std::size_t page = 0; page < bad.size() / ps; ++page) {
            std::byte no[4];
            for (int i = 0; i < 4; ++i) no[i] = std::byte(page >> (8 * i));
            std::uint32_t crc = le::crc32(le::crc32(0, no, 4), bad.data() + page * ps, ps - 4);
            for (int i = 0; i < 4; ++i)
                bad[page * ps + ps - 4 + std::size_t(i)] = std::byte(crc >> (8 * i));
        }
        ix.env.setContents(kPath, bad);
        exercise(ix);
        if (HasFatalFailure()) return;
    }
    // Truncated files.
    for (std::size_t len : {std::size_t(0), std::size_t(100), ps, good.size() - 1}) {
        ix.env.setContents(kPath, {good.begin(), good.begin() + std::ptrdiff_t(len)});
        exercise(ix);
    }
}

// The way the table layer keeps an index durable: changes collected from the pager,
// committed to the journal, then applied. A power cut after any file operation must leave
// an index that opens, verifies and holds exactly the acknowledged transactions.
TEST(BTreeTest, JournaledIndexSurvivesPowerLossAtAnyPoint) {
    const char* journal = "t/A.JNL";
    auto model = [](std::size_t txns) {
        Model m;
        for (std::size_t t = 0; t < txns; ++t) {
            for (std::uint64_t k = t * 100; k < t * 100 + 40; ++k) m[k] = std::uint32_t(t);
            if (t == 2)
                for (std::uint64_t k = 0; k < 30; ++k) m.erase(k);
        }
        return m;
    };
    auto run = [&](MemEnv& env, std::size_t& acknowledged) {
        auto file = env.open(kPath, OpenMode::ReadWrite);
        auto resolver = [&](std::uint8_t id) { return id == 1 ? file.get() : nullptr; };
        Journal j(env, journal);
        Pager pager(file.get(), 1, 0, 256);
        BTree t(pager, kPath);
        for (std::size_t txn = 0; txn < 4; ++txn) {
            for (std::uint64_t k = txn * 100; k < txn * 100 + 40; ++k)
                t.insert(key8(k), value4(std::uint32_t(txn)));
            if (txn == 2)
                for (std::uint64_t k = 0; k < 30; ++k) t.erase(key8(k));
            std::vector<JournalWrite> writes;
            t.seal();
            pager.collect(writes);
            j.commit(writes);
            acknowledged = txn + 1;
            pager.apply();
            if (txn == 1) j.checkpoint(resolver);
        }
        j.checkpoint(resolver);
    };
    Index empty(256, smallMeta());
    const auto initial = empty.env.contents(kPath);

    std::uint64_t total = 0;
    for (std::uint64_t cut = 0;; ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " operations");
        MemEnv env;
        env.setContents(kPath, initial);
        std::size_t acknowledged = 0;
        env.crashAfter(cut);
        bool crashed = false;
        try {
            run(env, acknowledged);
        } catch (const EngineError&) {
            crashed = true;
        }
        env.dropUnsyncedData();
        auto file = env.open(kPath, OpenMode::ReadWrite);
        Journal(env, journal).recover([&](std::uint8_t) { return file.get(); });
        Pager pager(file.get(), 1, 0, 256);
        BTree t(pager, kPath);
        checkAll(t, model(acknowledged));
        if (HasFatalFailure()) return;
        if (!crashed) {
            total = cut;
            break;
        }
    }
    EXPECT_GT(total, 20u);
}

}  // namespace
}  // namespace lumiro::engine
