// A named session owns the tables (cursors) of one part of the program. Deactivating it
// closes every table; activating it lets them be opened again.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "env.h"
#include "schema.h"
#include "table.h"

namespace lumiro::engine {

class Table;
class TableFile;

// Whether a file with this extension (without the dot, any letter case) beside a table's data
// file is one of the table's own files (see Session::companionFiles).
bool isTableFileExtension(std::string_view extension);

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

    // A table is its own files only: the data file X.DB and the files beside it with its stem
    // and an extension that belongs to a table (companionFiles). Other files that share the
    // stem (X.txt, X.BAK, X.zip) are never touched.
    //
    // Creates X.DB (and its indexes) from the definition; fails with AlreadyExists when a
    // table of that name is there. `path` may omit ".DB" and use backslashes.
    void createTable(const std::string& path, const TableDef& def);
    // Removes the data file, every companion file of the table and what a step cut short left
    // of them under a temporary name (X.PX.tmp).
    void deleteTable(const std::string& path);
    // Renames the data file and every companion file; the new name must be free. Changes a
    // journal holds are replayed into the table first (its journal names the table).
    void renameTable(const std::string& from, const std::string& to);
    // Copies the data file and every companion file byte for byte, the source being only
    // read; the new name must be free. Each copy is complete under a temporary name before
    // it takes its own, the data file last, so the table appears whole or not at all. A
    // journal is not copied: what it holds is replayed into the source first, as an opening
    // would, where the source can be written.
    void copyTable(const std::string& from, const std::string& to);
    bool tableExists(const std::string& path);

    // The data file's path as found on disk: backslashes become '/', ".DB" is added when
    // missing, and every component is matched without regard to case. When the file does
    // not exist the path is returned with the components that do exist resolved.
    std::string resolveDataPath(const std::string& path);
    // Every file of the table, found without regard to case: the stem with an extension
    // this engine writes (DB, PX, MB, JNL, Xnn, Ynn, XGn, YGn), one Paradox keeps with a table
    // (VAL, TV, TVF, FAM), or the program's structure description (STR).
    std::vector<std::string> companionFiles(const std::string& dataPath);

    // Engine internals: one shared file object per data file, however many cursors use it.
    std::shared_ptr<TableFile> acquire(const std::string& dataPath, int mode);
    void attach(Table* table);
    void detach(Table* table);

private:
  // Opens and closes the table when a journal is beside it, so that its files hold every
  // change the journal holds and the journal none.
  void bringToRest(const std::string& dataPath, AccessMode mode);
  // The table's files half written under a temporary name (X.PX.tmp) by a step that failed
  // or was cut short.
  std::vector<std::string> temporaryFiles(const std::string& dataPath);

  std::string name_;
  Env& env_;
  bool active_ = true;
  std::vector<Table*> tables_;
  std::unordered_map<std::string, std::weak_ptr<TableFile>> files_;
};

}  // namespace lumiro::engine
