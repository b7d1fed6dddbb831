// The data module's own files go through the file system layer its tables use: a power cut
// while a structure file is written leaves it whole or absent, and the read-only attribute of
// a table's files is read and cleared through that layer.
#include "data/data_files.h"

#include <map>

#include "engine/error.h"

#include "mem_data_fixture.h"

namespace lumiro::data::test {
namespace {

using platform::MessageResult;

class DataFilesTest : public MemDataFixture {};

TEST_F(DataFilesTest, StructureFilesSurviveAPowerCutWholeOrNotAtAll) {
    makeTables();
    const std::vector<std::string> structures = {
        "FIRMA.STR",       kadry("RP7.STR"), kadry("ZAR.STR"), kadry("ZLEC.STR"),
        kadry("ZAL.STR"), kadry("ZAL2.STR"), kadry("ZAL3.STR")};
    std::uint64_t steps = 0;
    {
        const std::uint64_t before = env().operationCount();
        start();
        steps = env().operationCount() - before;
    }
    std::map<std::string, std::vector<std::byte>> written;
    for (const std::string& file : structures) {
        ASSERT_TRUE(env().exists(file)) << file;
        written[file] = env().contents(file);
    }
    ASSERT_GT(steps, structures.size());

    for (std::uint64_t cut = 0; cut < steps; ++cut) {
        forgetFiles();
        makeTables();
        env().crashAfter(cut);
        start();
        env().dropUnsyncedData();
        for (const std::string& file : structures) {
            if (env().exists(file)) {
                EXPECT_EQ(env().contents(file), written[file]) << file << cut;
            }
        }
        // The next start writes what is missing.
        start();
        for (const std::string& file : structures)
            EXPECT_EQ(env().contents(file), written[file]) << file << cut;
    }
}

TEST_F(DataFilesTest, TheReadOnlyAttributeIsReadAndClearedThroughTheFileSystemLayer) {
    makeTables();
    for (const char* ext : {".DB", ".PX"}) env().setReadOnly(kadry("ZAR") + ext, true);
    prompter.queue(MessageResult::Yes);
    auto module = start();
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_TRUE(prompter.questions()[0].text.startsWith(QStringLiteral("Uwaga baza: ")));
    EXPECT_EQ(module->Tzar.accessMode(), engine::AccessMode::Shared);
    for (const char* ext : {".DB", ".PX"}) EXPECT_FALSE(env().isReadOnly(kadry("ZAR") + ext));
}

TEST_F(DataFilesTest, AReplacedFileIsTheOldOrTheNewAfterAPowerCut) {
    const std::string path = kadry("PLIK.TXT");
    replaceFile(env(), path, "stary");
    for (std::uint64_t cut = 0; cut < 6; ++cut) {
        env().crashAfter(cut);
        try {
            replaceFile(env(), path, "nowy, dłuższy");
        } catch (const engine::EngineError&) {
        }
        env().dropUnsyncedData();
        const auto content = readFile(env(), path);
        ASSERT_TRUE(content.has_value()) << cut;
        EXPECT_TRUE(*content == "stary" || *content == "nowy, dłuższy") << cut;
        replaceFile(env(), path, "stary");
    }
    removeFile(env(), path);
    env().dropUnsyncedData();
    EXPECT_FALSE(readFile(env(), path).has_value());
}

}  // namespace
}  // namespace lumiro::data::test
