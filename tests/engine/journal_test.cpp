#include "engine/journal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "engine/error.h"
#include "support/fault_env.h"

namespace lumiro::engine {
namespace {

using test::MemEnv;

constexpr const char* kJournal = "t/A.JNL";
constexpr std::size_t kJournalHeader = 128;

std::vector<std::byte> bytes(const std::string& s) {
    std::vector<std::byte> b(s.size());
    std::memcpy(b.data(), s.data(), s.size());
    return b;
}

JournalWrite put(std::uint8_t id, std::uint64_t offset, const std::string& s) {
    JournalWrite w;
    w.fileId = id;
    w.offset = offset;
    w.bytes = bytes(s);
    return w;
}

JournalWrite resize(std::uint8_t id, std::uint64_t size) {
    JournalWrite w;
    w.fileId = id;
    w.setSize = true;
    w.newSize = size;
    return w;
}

using Txn = std::vector<JournalWrite>;
using Model = std::map<std::uint8_t, std::vector<std::byte>>;

// Transactions whose results differ at every step: overwrite, grow, shrink, two files.
std::vector<Txn> sampleTransactions() {
    return {
        {put(0, 0, "AAAAAAAA"), put(1, 4, "1111")},
        {put(0, 4, "BBBBBBBBBBBB"), resize(0, 20), put(1, 0, "22")},
        {resize(0, 6), put(1, 8, "333333")},
        {put(0, 2, "DD"), resize(1, 3)},
    };
}

void applyToModel(Model& m, const Txn& t) {
    for (const auto& w : t) {
        auto& f = m[w.fileId];
        if (w.setSize) {
            f.resize(w.newSize);
        } else {
            if (f.size() < w.offset + w.bytes.size()) f.resize(w.offset + w.bytes.size());
            std::copy(w.bytes.begin(), w.bytes.end(), f.begin() + std::ptrdiff_t(w.offset));
        }
    }
}

const char* pathOf(std::uint8_t id) {
    return id == 0 ? "t/A.DB" : "t/A.PX";
}

// The table's files as the table layer would hold them.
struct Files {
    explicit Files(MemEnv& env) {
        for (std::uint8_t id : {0, 1}) files[id] = env.open(pathOf(id), OpenMode::ReadWrite);
    }
    Journal::FileResolver resolver() {
        return [this](std::uint8_t id) -> File* {
            auto it = files.find(id);
            return it == files.end() ? nullptr : it->second.get();
        };
    }
    void apply(const Txn& t) {
        for (const auto& w : t) {
            if (w.setSize)
                files[w.fileId]->truncate(w.newSize);
            else
                files[w.fileId]->write(w.offset, w.bytes);
        }
    }
    std::map<std::uint8_t, std::unique_ptr<File>> files;
};

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env.setContents(pathOf(0), {});
        env.setContents(pathOf(1), {});
    }
    Model onDisk() { return {{0, env.contents(pathOf(0))}, {1, env.contents(pathOf(1))}}; }
    static Model expected(const std::vector<Txn>& txns, std::size_t count) {
        Model m{{0, {}}, {1, {}}};
        for (std::size_t i = 0; i < count; ++i) applyToModel(m, txns[i]);
        return m;
    }
    int reopenAndRecover() {
        Files files(env);
        Journal j(env, kJournal);
        return j.recover(files.resolver());
    }

    MemEnv env;
};

TEST_F(JournalTest, RecoveryReplaysCommittedTransactionsAndEmptiesTheJournal) {
    auto txns = sampleTransactions();
    {
        Journal j(env, kJournal);
        EXPECT_FALSE(j.needsRecovery());
        for (const auto& t : txns) j.commit(t);
        EXPECT_GT(j.pendingBytes(), 0u);
    }
    Journal j(env, kJournal);
    EXPECT_TRUE(j.needsRecovery());
    Files files(env);
    EXPECT_EQ(j.recover(files.resolver()), 4);
    EXPECT_EQ(onDisk(), expected(txns, 4));
    EXPECT_FALSE(j.needsRecovery());
    EXPECT_EQ(env.contents(kJournal).size(), kJournalHeader);

    // Writes for a file the resolver does not know are skipped, the rest still applies.
    j.commit({put(7, 0, "x"), put(0, 0, "Z")});
    auto onlyData = [&](std::uint8_t id) -> File* {
        return id == 0 ? files.files[0].get() : nullptr;
    };
    EXPECT_EQ(j.recover(onlyData), 1);
    EXPECT_EQ(env.contents(pathOf(0))[0], std::byte{'Z'});
}

TEST_F(JournalTest, TornOrDamagedRecordsEndTheReplay) {
    auto txns = sampleTransactions();
    std::vector<std::size_t> ends;
    {
        Journal j(env, kJournal);
        for (const auto& t : txns) {
            j.commit(t);
            ends.push_back(env.contents(kJournal).size());
        }
    }
    const auto full = env.contents(kJournal);

    // A crash while the third record was being written: any prefix of it.
    for (std::size_t cut = ends[1]; cut < ends[2]; ++cut) {
        env.setContents(pathOf(0), {});
        env.setContents(pathOf(1), {});
        env.setContents(kJournal, {full.begin(), full.begin() + std::ptrdiff_t(cut)});
        ASSERT_EQ(reopenAndRecover(), 2) << "cut at " << cut;
        ASSERT_EQ(onDisk(), expected(txns, 2));
    }
    // A flipped byte anywhere in the second record stops the replay before it, even though
    // the records after it are intact.
    for (std::size_t at = ends[0]; at < ends[1]; ++at) {
        env.setContents(pathOf(0), {});
        env.setContents(pathOf(1), {});
        auto damaged = full;
        damaged[at] ^= std::byte{0x20};
        env.setContents(kJournal, damaged);
        ASSERT_EQ(reopenAndRecover(), 1) << "flip at " << at;
        ASSERT_EQ(onDisk(), expected(txns, 1));
    }
}

TEST_F(JournalTest, GarbageLengthsAreRejectedWithoutHugeAllocations) {
    { Journal j(env, kJournal); }
    auto header = env.contents(kJournal);
    for (std::uint64_t payload : {UINT64_MAX, std::uint64_t(1) << 40, std::uint64_t(64)}) {
        auto rec = header;
        std::vector<std::byte> rh(32 + 8);
        std::memcpy(rh.data(), "LREC", 4);
        rh[8] = std::byte{1};
        for (int i = 0; i < 4; ++i) rh[16 + i] = std::byte{0xFF};  // absurd write count
        for (int i = 0; i < 8; ++i) rh[24 + i] = std::byte(payload >> (8 * i));
        rec.insert(rec.end(), rh.begin(), rh.end());
        env.setContents(kJournal, rec);
        Journal j(env, kJournal);
        EXPECT_FALSE(j.needsRecovery());
        EXPECT_EQ(reopenAndRecover(), 0);
    }
}

TEST_F(JournalTest, OpeningHandlesBlankForeignAndNewerFiles) {
    // Created by a process that died before the header reached the disk.
    env.setContents(kJournal, std::vector<std::byte>(16, std::byte{0}));
    EXPECT_NO_THROW(Journal(env, kJournal).commit(sampleTransactions()[0]));
    EXPECT_EQ(reopenAndRecover(), 1);

    env.setContents(kJournal, bytes("not a journal at all"));
    try {
        Journal j(env, kJournal);
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Corrupt);
        EXPECT_NE(std::string(e.what()).find(kJournal), std::string::npos);
    }
}

TEST_F(JournalTest, CheckpointMakesAppliedChangesDurableAndEmptiesTheJournal) {
    auto txns = sampleTransactions();
    Files files(env);
    Journal j(env, kJournal);
    for (int i = 0; i < 2; ++i) {
        j.commit(txns[i]);
        files.apply(txns[i]);
    }
    j.checkpoint(files.resolver());
    EXPECT_EQ(j.pendingBytes(), 0u);
    EXPECT_FALSE(j.needsRecovery());
    env.dropUnsyncedData();
    EXPECT_EQ(env.contents(kJournal).size(), kJournalHeader);
    EXPECT_EQ(onDisk(), expected(txns, 2));
}

TEST_F(JournalTest, AnotherHandlesRecordsAreKept) {
    auto txns = sampleTransactions();
    Journal a(env, kJournal);
    Journal b(env, kJournal);
    a.commit(txns[0]);
    b.commit(txns[1]);
    a.commit(txns[2]);
    EXPECT_EQ(reopenAndRecover(), 3);
    EXPECT_EQ(onDisk(), expected(txns, 3));
}

TEST_F(JournalTest, FailedCommitLeavesTheJournalUsable) {
    auto txns = sampleTransactions();
    struct Fault {
        const char* name;
        std::function<void(MemEnv&)> inject;
        ErrorCode code;
    };
    std::vector<Fault> faults = {
        {"write", [](MemEnv& e) { e.failWrite(1); }, ErrorCode::Io},
        {"sync", [](MemEnv& e) { e.failSync(1); }, ErrorCode::Io},
        {"disk full", [](MemEnv& e) { e.setSpaceLeft(20); }, ErrorCode::DiskFull},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        SetUp();
        env.remove(kJournal);
        {
            Journal j(env, kJournal);
            j.commit(txns[0]);
            fault.inject(env);
            try {
                j.commit(txns[1]);
                ADD_FAILURE() << "commit did not fail";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.code(), fault.code);
            }
            env.clearFaults();
            j.commit(txns[2]);
        }
        env.dropUnsyncedData();
        EXPECT_EQ(reopenAndRecover(), 2);
        Model m{{0, {}}, {1, {}}};
        applyToModel(m, txns[0]);
        applyToModel(m, txns[2]);
        EXPECT_EQ(onDisk(), m);
    }
}

// Cuts the power after every single file operation of a realistic sequence (commit,
// apply, checkpoint, more commits) and checks that recovery yields exactly the
// transactions whose commit had returned.
TEST_F(JournalTest, PowerLossAtAnyPointKeepsExactlyTheAcknowledgedTransactions) {
    auto txns = sampleTransactions();
    std::size_t acknowledged = 0;
    auto run = [&] {
        Files files(env);
        Journal j(env, kJournal);
        for (std::size_t i = 0; i < txns.size(); ++i) {
            j.commit(txns[i]);
            acknowledged = i + 1;
            files.apply(txns[i]);
            if (i == 1) j.checkpoint(files.resolver());
        }
        j.checkpoint(files.resolver());
        j.removeFile();
    };
    const std::uint64_t before = env.operationCount();
    run();
    const std::uint64_t total = env.operationCount() - before;
    ASSERT_GT(total, 10u);

    for (std::uint64_t cut = 0; cut <= total; ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " operations");
        SetUp();
        env.remove(kJournal);
        env.syncDir("t");
        acknowledged = 0;
        env.crashAfter(cut);
        try {
            run();
        } catch (const EngineError&) {
        }
        env.dropUnsyncedData();
        reopenAndRecover();
        ASSERT_EQ(onDisk(), expected(txns, acknowledged));
        // The journal takes new work after recovery.
        Journal j(env, kJournal);
        EXPECT_FALSE(j.needsRecovery());
        EXPECT_NO_THROW(j.commit(txns[0]));
    }
}

}  // namespace
}  // namespace lumiro::engine
