// Opens a table made of arbitrary files the way the program does and reads all of it. The
// engine may refuse a file with an EngineError; anything else (a crash, a sanitizer report,
// a leak, a hang, another exception, a consistent table made inconsistent by a post) is a
// bug.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "table_image.h"

using namespace lumiro::engine;
namespace fs = std::filesystem;

namespace {

// Far more records than an input of a few hundred kilobytes can hold.
constexpr std::size_t kMaxSteps = 1'000'000;

[[noreturn]] void bug(const std::string& what) {
    std::fprintf(stderr, "fuzz_table_files: %s\n", what.c_str());
    std::abort();
}

// One folder per fuzzing process, on a memory file system when there is one: the engine
// syncs, and syncing a real disk thousands of times a second helps nobody.
const std::string& folder() {
    static const std::string path = [] {
        std::string base = fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        std::string pattern = base + "/lumiro-fuzz-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data())) bug("mkdtemp failed under " + base);
        std::string dir = buf.data();
        static const std::string removeAtExit = dir;
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(removeAtExit, ec);
        });
        return dir;
    }();
    return path;
}

void writeFiles(const lumiro::fuzz::TableImage& image) {
    for (const auto& entry : fs::directory_iterator(folder())) fs::remove_all(entry.path());
    for (const auto& f : image.files) {
        std::ofstream out(folder() + "/X." + f.extension, std::ios::binary);
        out.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(f.bytes.size()));
    }
}

void readRecord(Table& t) {
    for (int i = 0; i < int(t.fields().size()); ++i) {
        try {
            (void)t.asString(i);
            (void)t.isNull(i);
        } catch (const EngineError&) {
        }
    }
}

void walk(Table& t) {
    std::size_t steps = 0;
    for (t.first(); !t.eof(); t.next()) {
        readRecord(t);
        if (++steps > kMaxSteps) bug("a forward walk did not end");
    }
    steps = 0;
    for (t.last(); !t.bof(); t.prior()) {
        if (++steps > kMaxSteps) bug("a backward walk did not end");
    }
}

void walkEveryOrder(Table& t) {
    walk(t);
    for (const IndexDef& def : t.indexes()) {
        if (def.primary) continue;
        try {
            t.setIndexName(def.name);
            walk(t);
        } catch (const EngineError&) {
        }
    }
    t.setIndexName("");
}

void changeRecords(Table& t, std::uint8_t options) {
    using namespace lumiro::fuzz;
    if (options & kEditFirst) {
        try {
            t.first();
            if (!t.eof()) {
                t.edit();
                for (int i = 0; i < t.storedFieldCount(); ++i)
                    if (t.fields()[std::size_t(i)].type == FieldType::Alpha) {
                        t.setValue(i, Value{std::string("Zmieniony")});
                        break;
                    }
                t.post();
            }
        } catch (const EngineError&) {
            if (t.state() != TableState::Browse) t.cancel();
        }
    }
    if (options & kAppendCopy) {
        try {
            t.first();
            if (!t.eof()) {
                std::vector<Value> values;
                for (int i = 0; i < t.storedFieldCount(); ++i) values.push_back(t.value(i));
                t.append();
                for (int i = 0; i < t.storedFieldCount(); ++i)
                    if (t.fields()[std::size_t(i)].type != FieldType::AutoInc)
                        t.setValue(i, values[std::size_t(i)]);
                t.post();
            }
        } catch (const EngineError&) {
            if (t.state() != TableState::Browse) t.cancel();
        }
    }
    if (options & kDeleteFirst) {
        try {
            t.first();
            if (!t.eof()) t.remove();
        } catch (const EngineError&) {
        }
    }
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += "\n  " + l;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = lumiro::fuzz::unpackImage(data, size);
    writeFiles(image);
    const std::string path = folder() + "/X";
    Session session("FUZZ");

    bool sharedOpened = false;
    try {
        Table t(session);
        t.open(path, AccessMode::Shared);
        sharedOpened = true;
        walkEveryOrder(t);
        (void)t.recordCount();
        (void)t.verify();
    } catch (const EngineError&) {
    }

    bool changed = false;
    try {
        Table t(session);
        t.open(path, AccessMode::Exclusive);
        walkEveryOrder(t);
        auto before = t.verify();
        using namespace lumiro::fuzz;
        if (image.options & kRebuildIndexes) {
            t.rebuildIndexes();
            walkEveryOrder(t);
            changed = true;
        }
        if (image.options & (kEditFirst | kAppendCopy | kDeleteFirst)) {
            changeRecords(t, image.options);
            walkEveryOrder(t);
            changed = true;
        }
        if (changed) {
            auto after = t.verify();
            if (before.empty() && !after.empty())
                bug("a consistent table became inconsistent:" + joined(after));
        }
        t.close();
    } catch (const EngineError&) {
    }

    // A table that opened before must still open after our own changes.
    if (sharedOpened && changed) {
        try {
            Table t(session);
            t.open(path, AccessMode::Shared);
            walkEveryOrder(t);
        } catch (const EngineError& e) {
            bug(std::string("the table no longer opens after changes: ") + e.what());
        }
    }
    return 0;
}
