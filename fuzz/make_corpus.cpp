// Writes the seed corpus, packed as fuzz_table_files inputs (table_files/) and as bare data
// files (paradox_header/): a few tiny valid tables made by the engine itself, and tables as
// other Paradox engines leave them (written by pxlib with its own primary index, laid out
// by hand with other block sizes, an older file version, a memo file, a secondary index of
// theirs, a last block cut short).
// Usage: fuzz_make_corpus OUTPUT_FOLDER
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "support/paradox_table_file.h"
#include "support/pxlib_tables.h"
#include "table_image.h"

using namespace lumiro::engine;
namespace fs = std::filesystem;

namespace {

FieldDef column(const std::string& name, FieldType type, int size = 0) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

// Every fixed-size type the engine writes, a primary key and a case-insensitive index.
TableDef everyType() {
    TableDef def;
    def.fields = {column("ZLEC", FieldType::Long),          column("NR", FieldType::Long),
                  column("NAZWISKO", FieldType::Alpha, 20), column("AUTO", FieldType::AutoInc),
                  column("KWOTA", FieldType::Money),        column("DATA", FieldType::Date),
                  column("AKTYWNY", FieldType::Logical),    column("ILE", FieldType::Short),
                  column("ILOSC", FieldType::Number),       column("GODZ", FieldType::Time),
                  column("CZAS", FieldType::Timestamp),     column("KOD", FieldType::Bytes, 4)};
    IndexDef primary;
    primary.primary = primary.unique = true;
    primary.fields = {"ZLEC", "NR"};
    IndexDef names;
    names.name = "Ninx";
    names.caseInsensitive = true;
    names.fields = {"ZLEC", "NAZWISKO"};
    def.indexes = {primary, names};
    return def;
}

TableDef unkeyed() {
    TableDef def;
    def.fields = {column("NAZWA", FieldType::Alpha, 10), column("ILE", FieldType::Long),
                  column("DATA", FieldType::Date)};
    return def;
}

void addEveryType(Table& t, std::int64_t nr, const char* surname) {
    t.append();
    t.setValue("ZLEC", Value{std::int64_t(1)});
    t.setValue("NR", Value{nr});
    t.setValue("NAZWISKO", Value{utf8ToCp1250(surname)});
    t.setValue("KWOTA", Value{1234.56 * double(nr)});
    t.setValue("DATA", Value{std::int64_t(738000 + nr)});
    t.setValue("AKTYWNY", Value{nr % 2 == 1});
    t.setValue("ILE", Value{std::int64_t(-nr)});
    t.setValue("ILOSC", Value{0.125 * double(nr)});
    t.setValue("GODZ", Value{std::int64_t(8 * 3600 * 1000 + nr)});
    t.setValue("CZAS", Value{738000.0 * 86400000.0 + double(nr) * 1000});
    t.setValue("KOD", Value{std::string("\x01\xff\x00\x7f", 4)});
    t.post();
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Packs every file of the table at `stem` (X.DB, X.PX ...) and removes them.
void emit(const std::string& stem, const std::string& out, const std::string& name,
          std::uint8_t options) {
    lumiro::fuzz::TableImage image;
    image.options = options;
    for (const char* ext : lumiro::fuzz::kImageExtensions) {
        std::string path = stem + "." + ext;
        if (!fs::exists(path)) continue;
        image.files.push_back({ext, readFile(path)});
        if (std::string(ext) == "DB")
            writeFile(out + "/paradox_header/" + name + ".db", image.files.back().bytes);
    }
    writeFile(out + "/table_files/" + name + ".img", lumiro::fuzz::packImage(image));
    for (const auto& e : fs::directory_iterator(fs::path(stem).parent_path())) fs::remove(e.path());
}

std::vector<lumiro::test::Row> genuineRows(int count) {
    std::vector<lumiro::test::Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({std::int64_t(1 + i / 20), std::int64_t(i + 1),
                        utf8ToCp1250(std::string(i % 2 ? "Łukasik " : "żabińska ") +
                                     std::to_string(i)),
                        i % 3 ? Value(100.5 * i) : Value{}});
    return rows;
}

const std::vector<FieldDef> kGenuine = {column("ZLEC", FieldType::Long), column("NR", FieldType::Long),
                                        column("POLE1", FieldType::Alpha, 30),
                                        column("POLE2", FieldType::Money)};

void writeBytes(const std::string& path, const std::vector<std::byte>& bytes) {
    lumiro::test::writeFileBytes(path, bytes);
}

// Tables as other engines write them, each with the files such an engine leaves beside it.
void emitGenuine(const std::string& stem, const std::string& out) {
    using namespace lumiro::fuzz;
    namespace test = lumiro::test;
    test::writePxlibTable(stem + ".DB", kGenuine, 2, genuineRows(60), "X");
    test::writePxlibPrimaryIndex(stem + ".DB", stem + ".PX");
    emit(stem, out, "pxlib_keyed", kDeleteFirst | kAppendCopy);

    test::writePxlibTable(stem + ".DB", kGenuine, 2, genuineRows(25), "X");
    test::writePxlibPrimaryIndex(stem + ".DB", stem + ".PX");
    writeBytes(stem + ".XG0",
               test::genuineSecondaryIndex({kGenuine[0], kGenuine[2], kGenuine[0], kGenuine[1],
                                            column("HINT", FieldType::Short)},
                                           {1, 3, 1, 2, 0}, "Ninx"));
    emit(stem, out, "pxlib_secondary", kRebuildIndexes | kEditFirst);

    test::writePxlibTable(stem + ".DB", kGenuine, 0, genuineRows(30), "X");
    emit(stem, out, "pxlib_unkeyed", kEditFirst | kDeleteFirst);

    for (int kb : {1, 2, 16}) {
        writeBytes(stem + ".DB",
                   test::buildParadoxTable(kGenuine, 2, genuineRows(kb == 1 ? 70 : 200), "X", 7, kb));
        emit(stem, out, "blocks_" + std::to_string(kb) + "k", kDeleteFirst);
    }

    // Older file versions: 3.x without the extended header, 4.x and 5.x.
    for (int version : {3, 9, 11}) {
        writeBytes(stem + ".DB", test::olderParadoxVersion(
                                     test::buildParadoxTable(kGenuine, version == 3 ? 0 : 2,
                                                             genuineRows(12), "X", 0, 2),
                                     version));
        emit(stem, out, "version_" + std::to_string(version), kAppendCopy | kRebuildIndexes);
    }

    // The file ends right after the last record.
    {
        const auto rows = genuineRows(50);
        auto bytes = test::buildParadoxTable(kGenuine, 2, rows, "X", 0, 2);
        px::Header h;
        test::readParadoxTable(bytes, &h);
        const std::size_t inLast = rows.size() % std::size_t(h.recordsPerBlock());
        bytes.resize(std::size_t(h.blockOffset(h.lastBlock)) + px::kBlockHeaderSize +
                     inLast * h.recordSize);
        writeBytes(stem + ".DB", bytes);
        emit(stem, out, "short_last_block", kDeleteFirst | kAppendCopy);
    }

    // A memo column whose longer texts live in the .MB file: one blob in a block of its own.
    {
        const std::vector<FieldDef> fields = {column("NR", FieldType::Long),
                                              column("UWAGI", FieldType::Memo, 10)};
        const std::string text = utf8ToCp1250(std::string(600, 'x') + " zażółć gęślą jaźń");
        auto bytes = test::buildParadoxTable(fields, 1, {{std::int64_t(1), Value{}},
                                                         {std::int64_t(2), Value{}}},
                                             "X", 0, 2);
        px::Header h;
        test::readParadoxTable(bytes, &h);
        std::byte* field = bytes.data() + h.blockOffset(1) + px::kBlockHeaderSize + h.fieldOffsets[1];
        std::copy_n(reinterpret_cast<const std::byte*>(text.data()), 10, field);
        const std::uint32_t ref = 4096 | 0xFF, length = std::uint32_t(text.size());
        for (int i = 0; i < 4; ++i) {
            field[10 + i] = std::byte((ref >> (8 * i)) & 0xFF);
            field[14 + i] = std::byte((length >> (8 * i)) & 0xFF);
        }
        field[18] = std::byte{1};
        writeBytes(stem + ".DB", bytes);
        std::vector<std::byte> mb(8192);
        mb[1] = std::byte{1};
        mb[4096] = std::byte{2};
        mb[4097] = std::byte{1};
        for (int i = 0; i < 4; ++i) mb[4099 + std::size_t(i)] = std::byte((length >> (8 * i)) & 0xFF);
        mb[4103] = std::byte{1};
        std::copy_n(reinterpret_cast<const std::byte*>(text.data()), text.size(), mb.data() + 4105);
        writeBytes(stem + ".MB", mb);
        emit(stem, out, "memo", kEditFirst);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Użycie: %s FOLDER_WYJŚCIOWY\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    fs::create_directories(out + "/table_files");
    fs::create_directories(out + "/paradox_header");
    const std::string work =
        fs::temp_directory_path().string() + "/lumiro-corpus-" + std::to_string(getpid());
    fs::create_directories(work);
    const std::string stem = work + "/X";
    try {
        Session s("KORPUS");
        {
            s.createTable(stem, everyType());
            Table t(s);
            t.open(stem);
            addEveryType(t, 2, "Żółkiewski");
            addEveryType(t, 1, "łączyński");
            addEveryType(t, 3, "Ąbel");
            t.close();
            emit(stem, out, "every_type", 0);
        }
        {
            s.createTable(stem, everyType());
            Table t(s);
            t.open(stem);
            addEveryType(t, 1, "Nowak");
            t.close();
            emit(stem, out, "every_type_changes",
                 lumiro::fuzz::kEditFirst | lumiro::fuzz::kAppendCopy);
        }
        {
            s.createTable(stem, unkeyed());
            Table t(s);
            t.open(stem);
            for (int i = 0; i < 2; ++i) {
                t.append();
                t.setValue("NAZWA", Value{utf8ToCp1250(i ? "Kraków" : "Łódź")});
                t.setValue("ILE", Value{std::int64_t(i + 7)});
                t.post();
            }
            t.close();
            emit(stem, out, "unkeyed", lumiro::fuzz::kDeleteFirst);
        }
        {
            s.createTable(stem, everyType());
            emit(stem, out, "empty", lumiro::fuzz::kRebuildIndexes);
        }
        // A table whose writer died after a post: its journal is replayed by the next open.
        s.createTable(stem, everyType());
        pid_t pid = fork();
        if (pid == 0) {
            Session child("PRZERWANA");
            Table t(child);
            t.open(stem);
            addEveryType(t, 5, "Ścibor");
            std::fflush(nullptr);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        emit(stem, out, "journal_left_behind", 0);
        emitGenuine(stem, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    fs::remove_all(work);
    return 0;
}
