// Archive and restore of the data root on the level of files: the table files of the root
// itself, those one level below BAZA and those one level below each year folder. An archive
// is built beside the archive folder and takes its place whole; a restore is copied beside
// the data, checked table by table, and then moved in as one set of moves that a crash cannot
// leave half done. Everything goes through an Env, so that tests can make any step fail.
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
// folder in each year folder of `years`.
FileSet collectFiles(engine::Env& env, const std::string& root, const std::vector<std::string>& years);

struct Outcome {
    bool ok = false;
    QString error;        // why nothing was done, for the user
    QStringList damaged;  // tables the engine found damaged (their archived copies were kept)
    QStringList failed;   // files that could not be copied
    QStringList leftOut;  // table files left out for the case of their names
};

using Step = std::function<void()>;

// A folder the archive may not be: the data root itself, BAZA or a year folder or anything
// in them (the copy would reach its own files or the live ones). Empty when it may.
QString refusedArchiveFolder(const std::string& root, const std::vector<std::string>& years,
                             const std::string& archive);

// Copies the files that take part into `archive`. The tables are checked by the engine
// first; a damaged one keeps its copy from the previous archive. Nothing replaces the previous
// archive unless every file was copied; `step` runs once for the root, BAZA and each year.
Outcome archiveData(engine::Env& env, const std::string& root, const std::vector<std::string>& years,
                    const std::string& archive, const Step& step);

// Puts the archive's files back into the data root, every table with all of its companions
// (ones the archive lacks are removed). Nothing of the data root changes unless every table
// of the archive opened and passed the engine's check. The caller has closed every table;
// `record` is the moves record of data/file_moves.h.
Outcome restoreData(engine::Env& env, const std::string& root, const std::vector<std::string>& years,
                    const std::string& archive, const std::string& record, const Step& step);

}  // namespace lumiro::maintenance
