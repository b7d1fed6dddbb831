#include "support/fault_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/error.h"
#include "support/temp_dir.h"

namespace lumiro::test {
namespace {

using engine::EngineError;
using engine::ErrorCode;
using engine::LockKind;
using engine::OpenMode;

std::vector<std::byte> text(const std::string& s) {
    std::vector<std::byte> b;
    for (char c : s) b.push_back(std::byte(c));
    return b;
}

ErrorCode codeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no error";
    return ErrorCode::Io;
}

TEST(MemEnvTest, PowerCutKeepsOnlyWhatWasSynced) {
    MemEnv env;
    auto synced = env.open("d/synced", OpenMode::CreateNew);
    synced->write(0, text("old"));
    synced->sync();
    synced->write(0, text("new!"));
    env.open("d/unsynced", OpenMode::CreateNew)->write(0, text("x"));
    env.open("d/listed", OpenMode::CreateNew)->write(0, text("y"));
    env.syncDir("d");
    env.open("d/late", OpenMode::CreateNew);
    env.rename("d/listed", "d/renamed");  // not followed by syncDir

    env.dropUnsyncedData();
    EXPECT_EQ(env.contents("d/synced"), text("old"));
    EXPECT_TRUE(env.exists("d/unsynced"));            // the name was made durable by syncDir...
    EXPECT_TRUE(env.contents("d/unsynced").empty());  // ...its content never was
    EXPECT_FALSE(env.exists("d/late"));
    EXPECT_TRUE(env.exists("d/listed"));
    EXPECT_FALSE(env.exists("d/renamed"));
    auto names = env.listDir("d");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"listed", "synced", "unsynced"}));
}

TEST(MemEnvTest, InjectedFaults) {
    MemEnv env;
    auto f = env.open("f", OpenMode::CreateNew);
    env.failWrite(2);
    f->write(0, text("a"));
    EXPECT_EQ(codeOf([&] { f->write(1, text("b")); }), ErrorCode::Io);
    f->write(1, text("c"));
    env.failSync(1);
    EXPECT_EQ(codeOf([&] { f->sync(); }), ErrorCode::Io);

    env.setSpaceLeft(3);
    EXPECT_EQ(codeOf([&] { f->write(2, text("12345")); }), ErrorCode::DiskFull);
    EXPECT_EQ(env.contents("f"), text("ac123"));  // what fitted was stored
    EXPECT_EQ(codeOf([&] { f->reserve(100); }), ErrorCode::DiskFull);
    env.clearFaults();
    f->write(5, text("6"));

    env.crashAfter(1);
    f->write(0, text("z"));
    EXPECT_EQ(codeOf([&] { f->sync(); }), ErrorCode::Io);
    EXPECT_EQ(codeOf([&] { f->write(0, text("q")); }), ErrorCode::Io);
    env.dropUnsyncedData();
    EXPECT_FALSE(env.exists("f"));  // never synced: gone with its name
}

TEST(MemEnvTest, LocksConflictBetweenOpenFiles) {
    MemEnv env;
    env.setContents("t.DB", {});
    auto a = env.open("t.DB", OpenMode::ReadWrite);
    auto b = env.open("t.DB", OpenMode::ReadOnly);
    EXPECT_TRUE(a->tryLock(0, 10, LockKind::Shared));
    EXPECT_TRUE(b->tryLock(5, 10, LockKind::Shared));
    EXPECT_FALSE(b->tryLock(0, 1, LockKind::Exclusive));
    EXPECT_TRUE(b->tryLock(10, 0, LockKind::Exclusive));  // from 10 to the end: past a's range
    EXPECT_FALSE(a->tryLock(100, 1, LockKind::Shared));
    a->unlock(0, 10);
    EXPECT_TRUE(b->tryLock(0, 1, LockKind::Exclusive));
    b.reset();  // closing releases
    EXPECT_TRUE(a->tryLock(100, 1, LockKind::Exclusive));
}

TEST(MemEnvTest, OpenModesAndReadOnlyFiles) {
    MemEnv env;
    EXPECT_EQ(codeOf([&] { env.open("x", OpenMode::ReadOnly); }), ErrorCode::NotFound);
    env.open("x", OpenMode::CreateNew)->write(0, text("abc"));
    EXPECT_EQ(codeOf([&] { env.open("x", OpenMode::CreateNew); }), ErrorCode::AlreadyExists);
    env.setReadOnly("x", true);
    EXPECT_TRUE(env.isReadOnly("x"));
    EXPECT_EQ(codeOf([&] { env.open("x", OpenMode::ReadWrite); }), ErrorCode::ReadOnly);
    env.makeWritable("x");
    EXPECT_EQ(env.open("x", OpenMode::CreateOrTrunc)->size(), 0u);
    env.remove("x");
    env.remove("x");  // missing: no error
    EXPECT_FALSE(env.exists("x"));
}

TEST(TempDirTest, CreatesAndRemovesAFolder) {
    std::string path;
    {
        TempDir dir;
        path = dir.path();
        EXPECT_TRUE(std::filesystem::is_directory(path));
        engine::Env::system().open(dir.file("a.DB"), OpenMode::CreateNew)->write(0, text("x"));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace lumiro::test
