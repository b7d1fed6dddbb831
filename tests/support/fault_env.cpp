#include "support/fault_env.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

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
    int failWriteIn = 0;
    int failSyncIn = 0;
    std::optional<std::uint64_t> space;
    std::optional<std::uint64_t> crashIn;
    bool crashed = false;
    std::uint64_t ops = 0;

    // Called (locked) before every changing operation.
    void step(const std::string& path) {
        if (crashIn && *crashIn == 0) crashed = true;
        if (crashed) fail(ErrorCode::Io, "Symulowana awaria przy operacji na pliku " + path + ".");
        if (crashIn) --*crashIn;
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
    if (!node)
        fail(ErrorCode::NotFound, "Nie można zmienić nazwy pliku " + from + ": plik nie istnieje.");
    state_->live.erase(from);
    state_->live[to] = node;
}

std::vector<std::string> MemEnv::listDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    std::vector<std::string> names;
    for (const auto& [p, n] : state_->live)
        if (engine::dirName(p) == dir) names.push_back(engine::baseName(p));
    return names;
}

void MemEnv::createDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    state_->step(dir);
}

void MemEnv::removeDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    state_->step(dir);
}

void MemEnv::syncDir(const std::string& dir) {
    std::lock_guard lock(state_->mu);
    state_->step(dir);
    std::erase_if(state_->durable, [&](const auto& e) { return engine::dirName(e.first) == dir; });
    for (const auto& [p, n] : state_->live)
        if (engine::dirName(p) == dir) state_->durable[p] = n;
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
