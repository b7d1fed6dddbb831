// What the archive and the restore share: which files take part and where they lie, how a
// folder named by the program is found on disk, the engine's check of a table, the copying
// into a working folder, and the progress window's steps.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include "engine/env.h"

namespace lumiro::maintenance {

// A file takes part when its extension has two or three characters of which the first two
// are DB, MB, PX, XG or YG, in upper case: tables, memo files and index files.
bool takesPart(const std::string& fileName);
// The same extensions in another letter case (".db"): left out, and the user is told.
bool leftOutForCase(const std::string& fileName);

struct FileSet {
    std::vector<std::string> files;    // relative to the root, '/'-separated
    std::vector<std::string> leftOut;  // table files left out for the case of their names
};
// The files of `root` that take part: its own, those of each folder in BAZA, those of each
// folder in each year folder of `years`; BAZA and the years are found whatever their case.
FileSet collectFiles(engine::Env& env, const std::string& root,
                     const std::vector<std::string>& years);

namespace detail {

std::string extensionOf(const std::string& name);
// The path without its extension.
std::string stemOf(const std::string& path);
std::string upper(std::string s);
std::string join(const std::string& folder, const std::string& relative);
// The folder of a relative path, empty for one in the root.
std::string folderOfRelative(const std::string& relative);
// The path as it lies on disk: every existing component found whatever its case, links and
// "." / ".." resolved; what does not exist is kept as written.
std::string located(engine::Env& env, const std::string& path);
// Folder `inner` is `outer` or lies in it (both located).
bool within(const std::string& inner, const std::string& outer);
bool isTable(const std::string& file);
// The table files of a file set, and the files of one table (same folder and stem, any case).
std::string tableKey(const std::string& relative);
QStringList qstrings(const std::vector<std::string>& list);

// Problems the engine finds in a table as it is, without writing anything: damaged blocks,
// index files that are missing, stale or damaged. Empty when it is sound.
QString tableProblems(engine::Env& env, const std::string& dataPath);

// Copies `from` to `to`, creating the folders on the way, the copy synced.
void copyInto(engine::Env& env, const std::string& from, const std::string& to);
// Makes the names of every file copied below `top` durable: each folder on the way is synced.
void syncCopiedFolders(engine::Env& env, const std::string& top,
                       const std::vector<std::string>& files);
// What to tell the user of a file that could not be read or copied.
QString copyFailure(const std::string& relative, const std::exception& e);

// The progress window's steps: one as the run begins, one when the root's own files are
// done, one as each year folder begins (BAZA goes with the root).
class Progress {
  public:
    explicit Progress(const std::function<void()>& step);
    void at(const std::string& file);

  private:
    const std::function<void()>& step_;
    bool rootDone_ = false;
    std::string current_;
};

}  // namespace detail
}  // namespace lumiro::maintenance
