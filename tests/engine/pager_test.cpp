#include "engine/pager.h"

#include <gtest/gtest.h>

#include "engine/error.h"
#include "support/fault_env.h"

namespace lumiro::engine {
namespace {

using test::MemEnv;

constexpr std::size_t kPage = 64;
constexpr std::uint64_t kBase = 10;  // a file header before page 0, as in a data file

std::vector<std::byte> filled(std::size_t n, char c) {
    return std::vector<std::byte>(n, std::byte(c));
}

class PagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto content = filled(kBase, 'h');
        for (char c : {'a', 'b', 'c'}) {
            auto page = filled(kPage, c);
            content.insert(content.end(), page.begin(), page.end());
        }
        env.setContents("p.DB", content);
        file = env.open("p.DB", OpenMode::ReadWrite);
    }
    char at(std::uint64_t offset) { return char(env.contents("p.DB").at(offset)); }

    MemEnv env;
    std::unique_ptr<File> file;
};

TEST_F(PagerTest, TransactionCollectApplyAndRollback) {
    Pager pager(file.get(), 3, kBase, kPage, 2);  // two clean pages: eviction happens
    ASSERT_EQ(pager.pageCount(), 3u);
    EXPECT_EQ(char(pager.read(2)[0]), 'c');

    pager.write(1)[0] = std::byte{'X'};
    std::uint32_t added = pager.append();
    EXPECT_EQ(added, 3u);
    pager.write(added)[5] = std::byte{'N'};
    EXPECT_TRUE(pager.dirty());
    EXPECT_EQ(at(kBase + kPage), 'b');  // nothing reaches the file before apply

    std::vector<JournalWrite> out;
    pager.collect(out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].offset, kBase + kPage);
    EXPECT_EQ(out[0].fileId, 3);
    EXPECT_EQ(out[1].offset, kBase + 3 * kPage);
    EXPECT_TRUE(out[2].setSize);
    EXPECT_EQ(out[2].newSize, kBase + 4 * kPage);

    pager.rollback();
    EXPECT_FALSE(pager.dirty());
    EXPECT_EQ(pager.pageCount(), 3u);
    EXPECT_EQ(char(pager.read(1)[0]), 'b');

    pager.write(0)[1] = std::byte{'Y'};
    pager.truncate(2);
    pager.apply();
    EXPECT_FALSE(pager.dirty());
    EXPECT_EQ(env.contents("p.DB").size(), kBase + 2 * kPage);
    EXPECT_EQ(at(kBase + 1), 'Y');
    for (std::uint32_t n : {0u, 1u, 0u, 1u}) pager.read(n);  // served from cache after apply
    EXPECT_THROW(pager.read(2), EngineError);

    // Another program grows the file: invalidate sees it.
    file->write(kBase + 2 * kPage, filled(kPage, 'z'));
    pager.invalidate();
    EXPECT_EQ(pager.pageCount(), 3u);
    EXPECT_EQ(char(pager.read(2)[0]), 'z');
}

TEST_F(PagerTest, PageChecksRunOnceOnLoadAndPartialPagesAreCorrupt) {
    file->write(kBase + 3 * kPage, filled(kPage / 2, 'p'));  // a partial trailing page
    Pager pager(file.get(), 0, kBase, kPage);
    EXPECT_EQ(pager.pageCount(), 3u);
    try {
        pager.read(3);
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Corrupt);
    }

    int checks = 0;
    pager.setPageCheck([&](std::uint32_t n, const std::byte* p) {
        ++checks;
        if (n == 1 && p[0] == std::byte{'b'}) fail(ErrorCode::Corrupt, "bad page");
    });
    pager.read(0);
    pager.read(0);
    EXPECT_EQ(checks, 1);
    EXPECT_THROW(pager.read(1), EngineError);
    EXPECT_THROW(pager.write(1), EngineError);
    pager.write(2)[0] = std::byte{'q'};
    pager.read(2);
    EXPECT_EQ(checks, 4);
}

}  // namespace
}  // namespace lumiro::engine
