#include "session.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <string_view>

#include "cp1250.h"
#include "error.h"
#include "file_names.h"
#include "paradox_format.h"
#include "table.h"
#include "table_file.h"

namespace lumiro::engine {

namespace {

std::string upper(std::string s) {
    for (auto& c : s) c = char(toUpper1250(std::uint8_t(c)));
    return s;
}

bool hasDbExtension(const std::string& path) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return sameFileName(path.substr(dot + 1), "DB");
}

std::string stemOf(const std::string& dataPath) {
    auto slash = dataPath.find_last_of('/');
    auto dot = dataPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return dataPath;
    return dataPath.substr(0, dot);
}

std::string tableNameOf(const std::string& dataPath) {
    std::string base = baseName(dataPath);
    return base;
}

std::string extensionOf(const std::string& file) {
    const auto dot = file.find_last_of('.');
    return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

bool isJournal(const std::string& file) {
    return sameFileName(extensionOf(file), "JNL");
}

std::uint32_t firstGeneration() {
    static std::mt19937 numbers = [] {
        // The clocks as well, for systems whose random device is not random.
        std::uint32_t device = 0;
        try {
            device = std::random_device{}();
        } catch (...) {
        }
        const auto now = std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
        const auto tick =
            std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        std::seed_seq seed{device, std::uint32_t(now), std::uint32_t(now >> 32),
                           std::uint32_t(tick)};
        return std::mt19937(seed);
    }();
    static std::mutex guard;
    std::lock_guard lock(guard);
    return std::uint32_t(numbers());
}

}  // namespace

Session::Session(std::string name, Env& env) : name_(std::move(name)), env_(env) {}

Session::~Session() {
    // Tables outliving their session are closed here; they must not touch it afterwards.
    auto tables = tables_;
    for (Table* t : tables) {
        try {
            t->close();
        } catch (...) {
        }
    }
}

void Session::setActive(bool active) {
    if (active_ == active) return;
    if (!active) {
        std::exception_ptr first;
        auto tables = tables_;
        for (Table* t : tables) {
            try {
                t->close();
            } catch (...) {
                if (!first) first = std::current_exception();
            }
        }
        active_ = false;
        files_.clear();
        if (first) std::rethrow_exception(first);
        return;
    }
    active_ = true;
}

void Session::attach(Table* table) { tables_.push_back(table); }

void Session::detach(Table* table) {
    tables_.erase(std::remove(tables_.begin(), tables_.end(), table), tables_.end());
}

std::string Session::resolveDataPath(const std::string& pathIn) {
    std::string path = pathIn;
    std::replace(path.begin(), path.end(), '\\', '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty()) fail(ErrorCode::InvalidArgument, "Nie podano nazwy tabeli.");
    if (!hasDbExtension(path)) path += ".DB";

    return resolveExisting(env_, path).path;
}

bool isTableFileExtension(std::string_view extension) {
    std::string ext(extension);
    for (auto& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    for (const char* own : {"DB", "PX", "MB", "JNL", "STR", "VAL", "TV", "TVF", "FAM"})
        if (ext == own) return true;
    // Index files: .XGn/.YGn (composite or case-insensitive), .Xnn/.Ynn (single column).
    return ext.size() == 3 && (ext[0] == 'X' || ext[0] == 'Y') &&
           ((ext[1] == 'G' && hex(ext[2])) || (hex(ext[1]) && hex(ext[2])));
}

std::vector<std::string> Session::companionFiles(const std::string& dataPath) {
    std::vector<std::string> out;
    std::string stem = stemOf(dataPath);
    std::string dir = dirName(stem);
    std::string prefix = fileNameKey(baseName(stem) + ".");
    std::vector<std::string> names;
    try {
        names = env_.listDir(dir.empty() ? "." : dir);
    } catch (const EngineError&) {
        return out;
    }
    for (const auto& name : names) {
        std::string u = fileNameKey(name);
        if (u.size() > prefix.size() && u.compare(0, prefix.size(), prefix) == 0 &&
            u.find('.', prefix.size()) == std::string::npos &&
            isTableFileExtension(name.substr(name.size() - (u.size() - prefix.size()))))
            out.push_back(joinPath(dir, name));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Session::temporaryFiles(const std::string& dataPath) {
    // What the engine writes before it renames a file into place: the file's name + ".tmp".
    std::vector<std::string> out;
    const std::string stem = stemOf(dataPath);
    const std::string dir = dirName(stem);
    const std::string prefix = fileNameKey(baseName(stem) + ".");
    std::vector<std::string> names;
    try {
        names = env_.listDir(dir.empty() ? "." : dir);
    } catch (const EngineError&) {
        return out;
    }
    for (const auto& name : names) {
        const std::string key = fileNameKey(name);
        if (key.size() <= prefix.size() + 4 || key.compare(0, prefix.size(), prefix) != 0 ||
            key.compare(key.size() - 4, 4, ".tmp") != 0)
            continue;
        const std::string ext = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (ext.find('.') == std::string::npos && isTableFileExtension(ext))
            out.push_back(joinPath(dir, name));
    }
    return out;
}

void Session::bringToRest(const std::string& dataPath, AccessMode mode) {
    const auto files = companionFiles(dataPath);
    if (std::none_of(files.begin(), files.end(), isJournal)) return;
    // Opening replays what the journal holds (or drops it when it is another table's);
    // closing leaves the files complete.
    TableFile rest(env_, dataPath, mode);
}

bool Session::tableExists(const std::string& path) { return env_.exists(resolveDataPath(path)); }

std::shared_ptr<TableFile> Session::acquire(const std::string& dataPath, int modeInt) {
    auto mode = AccessMode(modeInt);
    auto it = files_.find(dataPath);
    if (it != files_.end()) {
        if (auto existing = it->second.lock()) {
            if (mode == AccessMode::Exclusive && existing->mode() != AccessMode::Exclusive)
                fail(ErrorCode::Locked, "Nie można otworzyć tabeli " + dataPath +
                                            " na wyłączność: jest już otwarta w programie.");
            if (mode != AccessMode::ReadOnly && existing->mode() == AccessMode::ReadOnly) {
                // Reopen for writing below; the read-only users keep their own object.
            } else {
                return existing;
            }
        }
    }
    auto file = std::make_shared<TableFile>(env_, dataPath, mode);
    files_[dataPath] = file;
    return file;
}

void Session::createTable(const std::string& path, const TableDef& defIn) {
    std::string dataPath = resolveDataPath(path);
    if (env_.exists(dataPath))
        fail(ErrorCode::AlreadyExists, "Tabela " + dataPath + " już istnieje.");
    TableDef def = defIn;
    if (def.fields.empty()) fail(ErrorCode::InvalidArgument, "Tabela " + dataPath + " musi mieć pola.");
    if (def.fields.size() > 255)
        fail(ErrorCode::InvalidArgument, "Tabela może mieć najwyżej 255 pól.");
    std::set<std::string> names;
    for (const auto& f : def.fields) {
        validateField(f);
        if (!names.insert(upper(f.name)).second)
            fail(ErrorCode::InvalidArgument, "Pole " + f.name + " występuje w tabeli dwa razy.");
    }
    const IndexDef* primary = nullptr;
    std::set<std::string> indexNames;
    for (const auto& ix : def.indexes) {
        if (ix.primary) {
            if (primary) fail(ErrorCode::InvalidArgument, "Tabela może mieć tylko jeden indeks główny.");
            primary = &ix;
            if (ix.fields.empty() || ix.fields.size() > def.fields.size())
                fail(ErrorCode::InvalidArgument, "Indeks główny ma złą liczbę pól.");
            for (std::size_t i = 0; i < ix.fields.size(); ++i)
                if (upper(ix.fields[i]) != upper(def.fields[i].name))
                    fail(ErrorCode::InvalidArgument,
                         "Indeks główny musi obejmować początkowe pola tabeli w ich kolejności.");
        } else {
            if (ix.name.empty()) fail(ErrorCode::InvalidArgument, "Indeks wtórny musi mieć nazwę.");
            if (!indexNames.insert(upper(ix.name)).second)
                fail(ErrorCode::InvalidArgument, "Indeks " + ix.name + " występuje dwa razy.");
            for (const auto& fn : ix.fields)
                if (!names.count(upper(fn)))
                    fail(ErrorCode::InvalidArgument,
                         "Indeks " + ix.name + " odwołuje się do nieznanego pola " + fn + ".");
        }
    }
    bool hasSecondary = def.indexes.size() > (primary ? 1u : 0u);
    if (hasSecondary && !primary)
        fail(ErrorCode::InvalidArgument, "Indeksy wtórne wymagają indeksu głównego.");

    // Files left by an earlier, interrupted attempt belong to no table.
    for (const auto& f : companionFiles(dataPath)) env_.remove(f);
    for (const auto& f : temporaryFiles(dataPath)) env_.remove(f);

    px::Header hdr = px::makeHeader(def.fields, primary ? int(primary->fields.size()) : 0,
                                    tableNameOf(dataPath));
    // Generations start at a number of the table's own, so that the journal of another table
    // that had this name and layout never passes for this one's (docs/durability.md).
    hdr.generation = firstGeneration();
    auto image = px::serializeHeader(hdr);
    std::string tmp = stemOf(dataPath) + ".DB.tmp";
    try {
        {
            auto f = env_.open(tmp, OpenMode::CreateOrTrunc);
            f->write(0, image);
            f->sync();
        }
        env_.rename(tmp, dataPath);
        env_.syncDir(dirName(dataPath).empty() ? "." : dirName(dataPath));
        if (primary) {
            TableFile table(env_, dataPath, AccessMode::Exclusive);
            table.addIndex(*primary);
            for (const auto& ix : def.indexes)
                if (!ix.primary) table.addIndex(ix);
        }
    } catch (...) {
        env_.remove(tmp);
        env_.remove(dataPath);
        auto files = companionFiles(dataPath);
        for (auto& f : temporaryFiles(dataPath)) files.push_back(std::move(f));
        for (const auto& f : files) {
            try {
                env_.remove(f);
            } catch (...) {
            }
        }
        throw;
    }
}

void Session::deleteTable(const std::string& path) {
    std::string dataPath = resolveDataPath(path);
    if (!env_.exists(dataPath)) fail(ErrorCode::NotFound, "Tabela " + dataPath + " nie istnieje.");
    for (Table* t : tables_)
        if (t->isOpen() && t->path() == dataPath)
            fail(ErrorCode::Locked, "Tabela " + dataPath + " jest otwarta i nie można jej usunąć.");
    if (!env_.isReadOnly(dataPath)) {
        auto f = env_.open(dataPath, OpenMode::ReadWrite);
        if (!f->tryLock(kOpenLockOffset, 1, LockKind::Exclusive))
            fail(ErrorCode::Locked, "Tabela " + dataPath + " jest używana przez inny program.");
    }
    // The data file goes first: without it the table no longer exists, whatever remains.
    env_.remove(dataPath);
    for (const auto& f : companionFiles(dataPath)) env_.remove(f);
    for (const auto& f : temporaryFiles(dataPath)) env_.remove(f);
    env_.syncDir(dirName(dataPath).empty() ? "." : dirName(dataPath));
}

void Session::renameTable(const std::string& from, const std::string& to) {
    std::string src = resolveDataPath(from);
    std::string dst = resolveDataPath(to);
    if (!env_.exists(src)) fail(ErrorCode::NotFound, "Tabela " + src + " nie istnieje.");
    if (env_.exists(dst)) fail(ErrorCode::AlreadyExists, "Tabela " + dst + " już istnieje.");
    for (Table* t : tables_)
        if (t->isOpen() && t->path() == src)
            fail(ErrorCode::Locked, "Tabela " + src + " jest otwarta i nie można zmienić jej nazwy.");
    std::string srcStem = stemOf(src);
    std::string dstStem = stemOf(dst);
    // A journal names its table, so none that holds changes goes under another name.
    bringToRest(src, AccessMode::Exclusive);
    auto companions = companionFiles(src);
    // Companions first, the data file last: the table appears under the new name only
    // when everything is there.
    for (const auto& f : companions) {
        if (f == src) continue;
        std::string ext = f.substr(f.find_last_of('.'));
        env_.rename(f, dstStem + ext);
    }
    env_.rename(src, dst);
    env_.syncDir(dirName(dst).empty() ? "." : dirName(dst));
}

void Session::copyTable(const std::string& from, const std::string& to) {
    std::string src = resolveDataPath(from);
    std::string dst = resolveDataPath(to);
    if (!env_.exists(src)) fail(ErrorCode::NotFound, "Tabela " + src + " nie istnieje.");
    if (env_.exists(dst)) fail(ErrorCode::AlreadyExists, "Tabela " + dst + " już istnieje.");
    const std::string dstStem = stemOf(dst);
    // The copy is of the table at rest: what a journal holds is replayed into the source
    // first, as any opening would, and no journal is copied.
    bringToRest(src, AccessMode::ReadOnly);
    std::vector<std::pair<std::string, std::string>> copies;  // source, target
    for (const auto& f : companionFiles(src))
        if (f != src && !isJournal(f))
            copies.emplace_back(f, dstStem + f.substr(f.find_last_of('.')));
    copies.emplace_back(src, dst);
    std::vector<std::string> made;
    try {
        for (const auto& [source, target] : copies) {
            const std::string tmp = target + ".tmp";
            {
                auto in = env_.open(source, OpenMode::ReadOnly);
                auto out = env_.open(tmp, OpenMode::CreateOrTrunc);
                made.push_back(tmp);
                std::vector<std::byte> chunk(1 << 20);
                std::uint64_t at = 0;
                for (std::size_t n; (n = in->read(at, chunk)) > 0; at += n)
                    out->write(at, std::span(chunk).first(n));
                out->sync();
            }
            env_.rename(tmp, target);
            made.back() = target;
        }
        env_.syncDir(dirName(dst).empty() ? "." : dirName(dst));
    } catch (...) {
        // The data file is renamed last, so until then nothing carries the table's name.
        for (const auto& f : made) {
            try {
                env_.remove(f);
            } catch (...) {
            }
        }
        throw;
    }
}

}  // namespace lumiro::engine
