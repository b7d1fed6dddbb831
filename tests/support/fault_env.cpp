#include "support/fault_env.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "engine/error.h"

namespace lumiro::test {

using engine::ErrorCode;
using engine::fail;
using engine::LockKind;

namespace {

struct Lock {
    const void* owner;
    std::uint64_t start;
    std::uint64_t end;  // exclusive; a length of 0 locks to the end of any file, as fcntl does
    LockKind kind;
};

struct Node {
    std::vector<std::byte> data;
    std::vector<std::byte> synced;
    bool readOnly = false;
    std::vector<Lock> locks;
};

std::uint64_t lockEnd(std::uint64_t start, std::uint64_t length) {
    return length == 0 || start + length < start ? UINT64_MAX : start + length;
}

}  // namespace

struct MemEnv::State {
    std::mutex mu;
    std::map<std::string, std::shared_ptr<Node>> live;
    std::map<std::string, std::shared_ptr<Node>> durable;
    std::set<std::string> folders;  // created explicitly (implicit ones hold files)
    // Folders renamed since their parent was last synced: the rename reaches the durable
    // names at syncDir() of the old or the new parent.
    std::vector<std::pair<std::string, std::string>> folderRenames;
    int failWriteIn = 0;
    int failSyncIn = 0;
    std::uint64_t failOperationIn = 0;
    std::optional<std::uint64_t> space;
    std::optional<std::uint64_t> crashIn;
    bool crashed = false;
    std::uint64_t ops = 0;

    // Called (locked) before every changing operation.
    void step(const std::string& path) {
        if (crashIn && *crashIn == 0) crashed = true;
        if (crashed) fail(ErrorCode::Io, "Symulowana awaria przy operacji na pliku " + path + ".");
        if (crashIn) --*crashIn;
        if (failOperationIn > 0 && --failOperationIn == 0)
            fail(ErrorCode::Io, "Symulowany błąd operacji na pliku " + path + ".");
        ++ops;
    }

    std::shared_ptr<Node> find(const std::string& path) {
        auto it = live.find(path);
        return it == live.end() ? nullptr : it->second;
    }

    void makeNameDurable(const std::shared_ptr<Node>& node) {
        for (const auto& [p, n] : durable)
            if (n == node) return;
        for (const auto& [p, n] : live)
            if (n == node) {
                durable[p] = node;
                return;
            }
    }
};

namespace {

class MemFile final : public engine::File {
  public:
    MemFile(std::shared_ptr<MemEnv::State> state, std::shared_ptr<Node> node, std::string path,
            bool writable)
        : state_(std::move(state)),
          node_(std::move(node)),
          path_(std::move(path)),
          writable_(writable) {}

    ~MemFile() override {
        std::lock_guard lock(state_->mu);
        std::erase_if(node_->locks, [this](const Lock& l) { return l.owner == this; });
    }

    std::size_t read(std::uint64_t offset, std::span<std::byte> out) override {
        std::lock_guard lock(state_->mu);
        const auto& d = node_->data;
        if (offset >= d.size()) return 0;
        std::size_t n = std::min<std::uint64_t>(out.size(), d.size() - offset);
        std::memcpy(out.data(), d.data() + offset, n);
        return n;
    }

    void write(std::uint64_t offset, std::span<const std::byte> data) override {
        std::lock_guard lock(state_->mu);
        state_->step(path_);
        if (!writable_)
            fail(ErrorCode::Io,
                 "Nie można zapisać pliku " + path_ + ": plik otwarty tylko do odczytu.");
        if (state_->failWriteIn > 0 && --state_->failWriteIn == 0)
            fail(ErrorCode::Io, "Nie można zapisać pliku " + path_ + ": symulowany błąd zapisu.");
        std::size_t n = data.size();
        if (state_->space) n = std::min<std::uint64_t>(n, *state_->space);
        if (n > 0) {
            auto& d = node_->data;
            if (d.size() < offset + n) d.resize(offset + n);
            std::memcpy(d.data() + offset, data.data(), n);
        }
        if (state_->space) *state_->space -= n;
        if (n < data.size())
            fail(ErrorCode::DiskFull,
                 "Nie można zapisać pliku " + path_ + ": brak miejsca na dysku.");
    }

    void sync() override {
        std::lock_guard lock(state_->mu);
        state_->step(path_);
        if (state_->failSyncIn > 0 && --state_->failSyncIn == 0)
            fail(ErrorCode::Io,
                 "Nie można utrwalić zapisu pliku " + path_ + ": symulowany błąd urządzenia.");
        node_->synced = node_->data;
        state_->makeNameDurable(node_);
    }

    std::uint64_t size() override {
        std::lock_guard lock(state_->mu);
        return node_->data.size();
    }

    void truncate(std::uint64_t size) override {
        std::lock_guard lock(state_->mu);
        state_->step(path_);
        if (!writable_)
            fail(ErrorCode::Io,
                 "Nie można zmienić rozmiaru pliku " + path_ + ": plik otwarty tylko do odczytu.");
        node_->data.resize(size);
    }

    void reserve(std::uint64_t size) override {
        std::lock_guard lock(state_->mu);
        state_->step(path_);
        std::uint64_t have = node_->data.size();
        if (state_->space && size > have && size - have > *state_->space)
            fail(ErrorCode::DiskFull,
                 "Nie można powiększyć pliku " + path_ + ": brak miejsca na dysku.");
    }

    bool tryLock(std::uint64_t start, std::uint64_t length, LockKind kind) override {
        std::lock_guard lock(state_->mu);
        std::uint64_t end = lockEnd(start, length);
        for (const Lock& l : node_->locks) {
            if (l.owner == this || l.end <= start || end <= l.start) continue;
            if (l.kind == LockKind::Exclusive || kind == LockKind::Exclusive) return false;
        }
        // A new lock replaces this owner's locks that lie inside its range (no splitting).
        std::erase_if(node_->locks, [&](const Lock& l) {
            return l.owner == this && l.start >= start && l.end <= end;
        });
        node_->locks.push_back({this, start, end, kind});
        return true;
    }

    // Releases every lock of this owner that overlaps the range.
    void unlock(std::uint64_t start, std::uint64_t length) override {
        std::lock_guard lock(state_->mu);
        std::uint64_t end = lockEnd(start, length);
        std::erase_if(node_->locks, [&](const Lock& l) {
            return l.owner == this && l.start < end && start < l.end;
        });
    }

    const std::string& path() const override { return path_; }

  private:
    std::shared_ptr<MemEnv::State> state_;
    std::shared_ptr<Node> node_;
    std::string path_;
    bool writable_;
};

[[noreturn]] void failOpen(const std::string& path, ErrorCode code, const std::string& why) {
    fail(code, "Nie można otworzyć pliku " + path + ": " + why + ".");
}

}  // namespace

MemEnv::MemEnv() : state_(std::make_shared<State>()) {}
MemEnv::~MemEnv() = default;

std::unique_ptr<engine::File> MemEnv::open(const std::string& path, engine::OpenMode mode) {
    using engine::OpenMode;
    std::lock_guard lock(state_->mu);
    auto node = state_->find(path);
    switch (mode) {
        case OpenMode::ReadOnly:
        case OpenMode::ReadWrite:
            if (!node) failOpen(path, ErrorCode::NotFound, "plik nie istnieje");
            if (mode == OpenMode::ReadWrite && node->readOnly)
                failOpen(path, ErrorCode::ReadOnly, "brak uprawnień");
            break;
        case OpenMode::CreateNew:
            if (node) failOpen(path, ErrorCode::AlreadyExists, "plik już istnieje");
            state_->step(path);
            node = std::make_shared<Node>();
            state_->live[path] = node;
            break;
        case OpenMode::CreateOrTrunc:
            if (node && node->readOnly) failOpen(path, ErrorCode::ReadOnly, "brak uprawnień");
            state_->step(path);
            if (node) {
                node->data.clear();
            } else {
                node = std::make_shared<Node>();
                state_->live[path] = node;
            }
            break;
    }
    return std::make_unique<MemFile>(state_, node, path, mode != OpenMode::ReadOnly);
}

bool MemEnv::exists(const std::string& path) {
    std::lock_guard lock(state_->mu);
    return state_->live.count(path) > 0;
}

void MemEnv::remove(const std::string& path) {
    std::lock_guard lock(state_->mu);
    state_->step(path);
    state_->live.erase(path);
}

void MemEnv::rename(const std::string& from, const std::string& to) {
    std::lock_guard lock(state_->mu);
    state_->step(from);
    auto node = state_->find(from);
    if (node) {
        state_->live.erase(from);
        state_->live[to] = node;
        return;
    }
    // A folder: everything in it moves along.
    const std::string prefix = from + "/";
    auto under = [&](const std::string& p) { return p == from || p.compare(0, prefix.size(), prefix) == 0; };
    std::vector<std::string> files;
    for (const auto& [p, n] : state_->live)
        if (under(p)) files.push_back(p);
    std::vector<std::string> folders;
    for (const auto& f : state_->folders)
        if (under(f)) folders.push_back(f);
    if (files.empty() && folders.empty())
        fail(ErrorCode::NotFound, "Nie można zmienić nazwy pliku " + from + ": plik nie istnieje.");
    for (const auto& p : files) {
        auto n = state_->live[p];
        state_->live.erase(p);
        state_->live[to + p.substr(from.size())] = n;
    }
    for (const auto& f : folders) {
        state_->folders.erase(f);
        state_->folders.insert(to + f.substr(from.size()));
    }
    state_->folderRenames.emplace_back(from, to);
}

std::vector<std::string> MemEnv::listDir(const std::string& folder) {
    // "." is the working folder, where relative names live.
    const std::string dir = folder == "." ? std::string() : folder;
    std::lock_guard lock(state_->mu);
    std::vector<std::string> names;
    std::set<std::string> folders;
    const std::string prefix = dir.empty() ? std::string() : dir + "/";
    auto addFolderOf = [&](const std::string& p) {
        if (p.size() <= prefix.size() || p.compare(0, prefix.size(), prefix) != 0) return;
        const auto slash = p.find('/', prefix.size());
        if (slash != std::string::npos) folders.insert(p.substr(prefix.size(), slash - prefix.size()));
    };
    for (const auto& [p, n] : state_->live) {
        if (engine::dirName(p) == dir) names.push_back(engine::baseName(p));
        addFolderOf(p);
    }
    for (const auto& f : state_->folders) {
        if (engine::dirName(f) == dir) folders.insert(engine::baseName(f));
        addFolderOf(f);
    }
    names.insert(names.end(), folders.begin(), folders.end());
    return names;
}

bool MemEnv::isDir(const std::string& path) {
    std::lock_guard lock(state_->mu);
    if (state_->folders.count(path)) return true;
    const std::string prefix = path + "/";
    for (const auto& [p, n] : state_->live)
        if (p.compare(0, prefix.size(), prefix) == 0) return true;
    for (const auto& f : state_->folders)
        if (f.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

void MemEnv::createDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    state_->step(dir);
    state_->folders.insert(dir);
}

void MemEnv::removeDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    state_->step(dir);
    const std::string prefix = dir + "/";
    for (const auto& [p, n] : state_->live)
        if (p.compare(0, prefix.size(), prefix) == 0) return;  // not empty
    state_->folders.erase(dir);
}

void MemEnv::syncDir(const std::string& folder) {
    const std::string dir = folder == "." ? std::string() : folder;
    std::lock_guard lock(state_->mu);
    state_->step(dir);
    std::erase_if(state_->durable, [&](const auto& e) { return engine::dirName(e.first) == dir; });
    for (const auto& [p, n] : state_->live)
        if (engine::dirName(p) == dir) state_->durable[p] = n;
    auto& renames = state_->folderRenames;
    for (auto it = renames.begin(); it != renames.end();) {
        const auto [from, to] = *it;
        if (engine::dirName(from) != dir && engine::dirName(to) != dir) {
            ++it;
            continue;
        }
        const std::string prefix = from + "/";
        std::vector<std::pair<std::string, std::shared_ptr<Node>>> moved;
        for (const auto& [p, n] : state_->durable)
            if (p.compare(0, prefix.size(), prefix) == 0) moved.emplace_back(p, n);
        for (const auto& [p, n] : moved) {
            state_->durable.erase(p);
            state_->durable[to + p.substr(from.size())] = n;
        }
        it = renames.erase(it);
    }
}

bool MemEnv::isReadOnly(const std::string& path) {
    std::lock_guard lock(state_->mu);
    auto node = state_->find(path);
    return node && node->readOnly;
}

void MemEnv::makeWritable(const std::string& path) {
    setReadOnly(path, false);
}

void MemEnv::dropUnsyncedData() {
    std::lock_guard lock(state_->mu);
    state_->live = state_->durable;
    state_->folderRenames.clear();
    for (auto& [p, n] : state_->live) {
        n->data = n->synced;
        n->locks.clear();  // the processes that held them are gone
    }
    state_->crashed = false;
    state_->crashIn.reset();
}

void MemEnv::failWrite(int nth) {
    std::lock_guard lock(state_->mu);
    state_->failWriteIn = nth;
}

void MemEnv::failOperation(std::uint64_t nth) {
    std::lock_guard lock(state_->mu);
    state_->failOperationIn = nth;
}

void MemEnv::failSync(int nth) {
    std::lock_guard lock(state_->mu);
    state_->failSyncIn = nth;
}

void MemEnv::setSpaceLeft(std::optional<std::uint64_t> bytes) {
    std::lock_guard lock(state_->mu);
    state_->space = bytes;
}

void MemEnv::crashAfter(std::uint64_t operations) {
    std::lock_guard lock(state_->mu);
    state_->crashIn = operations;
}

void MemEnv::clearFaults() {
    std::lock_guard lock(state_->mu);
    state_->failWriteIn = 0;
    state_->failSyncIn = 0;
    state_->failOperationIn = 0;
    state_->space.reset();
}

std::uint64_t MemEnv::operationCount() const {
    std::lock_guard lock(state_->mu);
    return state_->ops;
}

std::vector<std::byte> MemEnv::contents(const std::string& path) const {
    std::lock_guard lock(state_->mu);
    auto node = state_->find(path);
    if (!node) failOpen(path, ErrorCode::NotFound, "plik nie istnieje");
    return node->data;
}

void MemEnv::setContents(const std::string& path, const std::vector<std::byte>& bytes) {
    std::lock_guard lock(state_->mu);
    auto node = state_->find(path);
    if (!node) node = std::make_shared<Node>();
    node->data = node->synced = bytes;
    state_->live[path] = node;
    state_->durable[path] = node;
}

void MemEnv::setReadOnly(const std::string& path, bool readOnly) {
    std::lock_guard lock(state_->mu);
    if (auto node = state_->find(path)) node->readOnly = readOnly;
}

}  // namespace lumiro::test
