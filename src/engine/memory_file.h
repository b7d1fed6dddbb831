// A File that lives in memory only: indexes that a read-only open builds for itself, because
// the ones beside the table cannot be used and nothing may be written there.
#pragma once

#include <string>
#include <vector>

#include "env.h"

namespace lumiro::engine {

class MemoryFile final : public File {
public:
    explicit MemoryFile(std::string name) : name_(std::move(name)) {}

    std::size_t read(std::uint64_t offset, std::span<std::byte> out) override;
    void write(std::uint64_t offset, std::span<const std::byte> data) override;
    void sync() override {}
    std::uint64_t size() override { return bytes_.size(); }
    void truncate(std::uint64_t size) override { bytes_.resize(std::size_t(size)); }
    void reserve(std::uint64_t) override {}
    // Nobody else can see the file, so every lock is granted.
    bool tryLock(std::uint64_t, std::uint64_t, LockKind) override { return true; }
    void unlock(std::uint64_t, std::uint64_t) override {}
    const std::string& path() const override { return name_; }

private:
    std::string name_;
    std::vector<std::byte> bytes_;
};

}  // namespace lumiro::engine
