#include "archive_data.h"

#include <filesystem>
#include <span>

#include "engine/session.h"
#include "engine/table.h"
#include "support/table_rows.h"

namespace lumiro::maintenance::test {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

namespace {

engine::TableDef layout() {
    engine::TableDef def;
    auto f = [](const char* n, FieldType t, int size = 0) {
        FieldDef d;
        d.name = n;
        d.type = t;
        d.size = size;
        return d;
    };
    def.fields = {f("NR", FieldType::Long), f("NAZWISKO", FieldType::Alpha, 40),
                  f("UWAGI", FieldType::Alpha, 200)};
    engine::IndexDef primary;
    primary.primary = primary.unique = true;
    primary.fields = {"NR"};
    engine::IndexDef byName;
    byName.name = "Nazwisko";
    byName.caseInsensitive = true;
    byName.fields = {"NAZWISKO"};
    def.indexes = {primary, byName};
    return def;
}

void createFolders(engine::Env& env, const std::string& folder) {
    if (folder.empty() || folder == "/" || env.isDir(folder)) return;
    createFolders(env, engine::dirName(folder));
    env.createDir(folder);
}

void snapshotInto(engine::Env& env, const std::string& folder, const std::string& relative,
                  Snapshot& out) {
    for (const std::string& name : env.listDir(folder)) {
        const std::string path = folder + "/" + name;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        if (env.isLink(path)) {
            out[rel] = "-> " + std::filesystem::read_symlink(path).string();
        } else if (env.isDir(path)) {
            out[rel + "/"] = {};
            snapshotInto(env, path, rel, out);
        } else {
            out[rel] = readText(env, path);
        }
    }
}

}  // namespace

void makeTable(engine::Env& env, const std::string& path, const std::string& name, int rows) {
    const std::string folder = engine::dirName(path);
    createFolders(env, folder);
    const std::string stem = engine::baseName(path) + ".";
    for (const std::string& file : env.listDir(folder))
        if (file.compare(0, stem.size(), stem) == 0) env.remove(folder + "/" + file);
    engine::Session session("SETUP", env);
    session.createTable(path, layout());
    engine::Table table(session);
    table.open(path + ".DB");
    for (int i = 1; i <= rows; ++i)
        lumiro::test::appendRows(table, {{{"NR", Value{std::int64_t(i)}},
                                          {"NAZWISKO", Value{name + std::to_string(i)}},
                                          {"UWAGI", Value{std::string(150, char('a' + i % 26))}}}});
    table.checkpoint();
    table.close();
    // A memo file beside it, as the employee tables have.
    writeText(env, path + ".MB", std::string(4096, '\x11'));
}

void writeText(engine::Env& env, const std::string& path, const std::string& text) {
    createFolders(env, engine::dirName(path));
    auto file = env.open(path, engine::OpenMode::CreateOrTrunc);
    file->write(0, std::as_bytes(std::span(text.data(), text.size())));
    file->sync();
    env.syncDir(engine::dirName(path));
}

std::string readText(engine::Env& env, const std::string& path) {
    auto file = env.open(path, engine::OpenMode::ReadOnly);
    std::string text(file->size(), '\0');
    file->readExact(0, std::as_writable_bytes(std::span(text.data(), text.size())));
    return text;
}

void makeData(engine::Env& env, const std::string& root, const std::string& tag) {
    makeTable(env, root + "/FIRMA", "Firma" + tag, 2);
    writeText(env, root + "/FIRMA.STR", "opis");
    makeTable(env, root + "/BAZA/KADRY/RP7", "Kowalska" + tag, 8);
    makeTable(env, root + "/BAZA/KADRY/ZAR", "Zarobki" + tag, 12);
    makeTable(env, root + "/2005/KADRY/RP7", "Stary" + tag, 3);
}

std::string firstName(engine::Env& env, const std::string& table) {
    return std::get<std::string>(lumiro::test::readRows(env, table).at(0).at("NAZWISKO"));
}

Snapshot snapshot(engine::Env& env, const std::string& folder, const std::string& except) {
    Snapshot out;
    if (env.isDir(folder)) snapshotInto(env, folder, {}, out);
    if (!except.empty())
        std::erase_if(
            out, [&](const auto& e) { return e.first.compare(0, except.size(), except) == 0; });
    return out;
}

std::string differences(const Snapshot& was, const Snapshot& now) {
    std::string out;
    for (const auto& [path, bytes] : was) {
        const auto it = now.find(path);
        if (it == now.end())
            out += "- " + path + "\n";
        else if (it->second != bytes)
            out += "~ " + path + "\n";
    }
    for (const auto& [path, bytes] : now)
        if (!was.count(path)) out += "+ " + path + "\n";
    return out;
}

}  // namespace lumiro::maintenance::test

namespace lumiro::maintenance::test {
namespace {

class HookedFile final : public engine::File {
  public:
    HookedFile(std::unique_ptr<engine::File> file, const HookedEnv::Hook& hook)
        : file_(std::move(file)), hook_(hook) {}
    std::size_t read(std::uint64_t offset, std::span<std::byte> out) override {
        return file_->read(offset, out);
    }
    void write(std::uint64_t offset, std::span<const std::byte> data) override {
        hook_("write", path());
        file_->write(offset, data);
    }
    void sync() override {
        hook_("sync", path());
        file_->sync();
    }
    std::uint64_t size() override { return file_->size(); }
    void truncate(std::uint64_t size) override {
        hook_("write", path());
        file_->truncate(size);
    }
    void reserve(std::uint64_t size) override { file_->reserve(size); }
    bool tryLock(std::uint64_t start, std::uint64_t length, engine::LockKind kind) override {
        return file_->tryLock(start, length, kind);
    }
    void unlock(std::uint64_t start, std::uint64_t length) override {
        file_->unlock(start, length);
    }
    const std::string& path() const override { return file_->path(); }

  private:
    std::unique_ptr<engine::File> file_;
    const HookedEnv::Hook& hook_;
};

}  // namespace

std::unique_ptr<engine::File> HookedEnv::open(const std::string& path, engine::OpenMode mode) {
    hook_(mode == engine::OpenMode::ReadOnly ? "openRead" : "open", path);
    return std::make_unique<HookedFile>(base().open(path, mode), hook_);
}
void HookedEnv::remove(const std::string& path) {
    hook_("remove", path);
    base().remove(path);
}
void HookedEnv::rename(const std::string& from, const std::string& to) {
    hook_("rename", from);
    base().rename(from, to);
}
void HookedEnv::createDir(const std::string& dir) {
    hook_("createDir", dir);
    base().createDir(dir);
}
void HookedEnv::removeDir(const std::string& dir) {
    hook_("removeDir", dir);
    base().removeDir(dir);
}
void HookedEnv::syncDir(const std::string& dir) {
    hook_("syncDir", dir);
    base().syncDir(dir);
}
void HookedEnv::copyFile(const std::string& from, const std::string& to) {
    hook_("openRead", from);
    hook_("copyFile", to);
    base().copyFile(from, to);
}

}  // namespace lumiro::maintenance::test
