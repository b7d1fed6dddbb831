// A named session owns the tables (cursors) of one part of the program. Deactivating it
// closes every table; activating it lets them be opened again.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "env.h"
#include "schema.h"

namespace lumiro::engine {

class Table;
class TableFile;

class Session {
public:
    explicit Session(std::string name, Env& env = Env::system());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& name() const { return name_; }
    Env& env() { return env_; }

    bool active() const { return active_; }
    // false closes every table of the session (each is saved first).
    void setActive(bool active);

    // Creates X.DB (and its indexes) from the definition; fails with AlreadyExists when a
    // table of that name is there. `path` may omit ".DB" and use backslashes.
    void createTable(const std::string& path, const TableDef& def);
    // Removes the data file and every companion file of the table.
    void deleteTable(const std::string& path);
    // Renames the data file and every companion file; the new name must be free.
    void renameTable(const std::string& from, const std::string& to);
    // Copies the data file and every companion file byte for byte, the source being only
    // read; the new name must be free. Each copy is complete under a temporary name before
    // it takes its own, the data file last, so the table appears whole or not at all.
    void copyTable(const std::string& from, const std::string& to);
    bool tableExists(const std::string& path);

    // The data file's path as found on disk: backslashes become '/', ".DB" is added when
    // missing, and every component is matched without regard to case. When the file does
    // not exist the path is returned with the components that do exist resolved.
    std::string resolveDataPath(const std::string& path);
    // Every file of the table: the stem with any extension, found without regard to case.
    std::vector<std::string> companionFiles(const std::string& dataPath);

    // Engine internals: one shared file object per data file, however many cursors use it.
    std::shared_ptr<TableFile> acquire(const std::string& dataPath, int mode);
    void attach(Table* table);
    void detach(Table* table);

private:
    std::string name_;
    Env& env_;
    bool active_ = true;
    std::vector<Table*> tables_;
    std::unordered_map<std::string, std::weak_ptr<TableFile>> files_;
};

}  // namespace lumiro::engine
