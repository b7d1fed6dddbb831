// Data roots and archive folders for the archive and restore tests, on any Env: small tables
// with a memo file beside them, the user's own files, and snapshots of whole folders to prove
// what a run left untouched.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/env.h"

namespace lumiro::maintenance::test {

// A table of three columns (NR, NAZWISKO, UWAGI) keyed on NR with a case-insensitive index
// "Nazwisko", `rows` rows named `name` + row number, and a memo file beside it. A table made
// again replaces the one there, with all its files.
void makeTable(engine::Env& env, const std::string& path, const std::string& name, int rows);

void writeText(engine::Env& env, const std::string& path, const std::string& text);
std::string readText(engine::Env& env, const std::string& path);

// The data root of a payer's program: the company table and a structure file in the root,
// the employee tables of BAZA/KADRY, one table in the year folder 2005. Names end in `tag`.
void makeData(engine::Env& env, const std::string& root, const std::string& tag);

// The name in the first row of the table.
std::string firstName(engine::Env& env, const std::string& table);

// Every file under the folder (relative path -> bytes), every folder as its path with a
// trailing '/', and every symbolic link as "-> target"; an entry whose path starts with
// `except` (relative) is left out.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(engine::Env& env, const std::string& folder, const std::string& except = {});
// The entries that differ between two snapshots, one a line ("+" only in `now`, "-" only in
// `was`, "~" changed); empty when they are the same.
std::string differences(const Snapshot& was, const Snapshot& now);

// The real file system with a hook that runs before every call and may throw to make it
// fail: `call` is the call's name ("open", "openRead", "rename", "remove", "createDir",
// "removeDir", "copyFile", "syncDir", "write" and "sync" of an open file), `path` its (first)
// path.
class HookedEnv final : public engine::Env {
  public:
    using Hook = std::function<void(const std::string& call, const std::string& path)>;
    explicit HookedEnv(Hook hook) : hook_(std::move(hook)) {}

    std::unique_ptr<engine::File> open(const std::string& path, engine::OpenMode mode) override;
    bool exists(const std::string& path) override { return base().exists(path); }
    void remove(const std::string& path) override;
    void rename(const std::string& from, const std::string& to) override;
    std::vector<std::string> listDir(const std::string& dir) override {
        return base().listDir(dir);
    }
    bool isDir(const std::string& path) override { return base().isDir(path); }
    void createDir(const std::string& dir) override;
    void removeDir(const std::string& dir) override;
    void syncDir(const std::string& dir) override;
    bool isReadOnly(const std::string& path) override { return base().isReadOnly(path); }
    void makeWritable(const std::string& path) override { base().makeWritable(path); }
    void copyFile(const std::string& from, const std::string& to) override;
    bool isLink(const std::string& path) override { return base().isLink(path); }
    std::string realPath(const std::string& path) override { return base().realPath(path); }

  private:
    static engine::Env& base() { return engine::Env::system(); }
    Hook hook_;
};

}  // namespace lumiro::maintenance::test
