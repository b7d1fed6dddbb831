// Archive and restore of the data root on the level of files: the table files of the root
// itself, those one level below BAZA and those one level below each year folder.
//
// The archive writes only its own files into the archive folder: the new set is copied into a
// working folder of its own inside it, checked, and moved into place as one set of moves that
// a crash cannot leave half done (data/file_moves.h); the files it replaces go aside into that
// working folder, which is removed at the end. Nothing else in the archive folder, nor beside
// it, is touched. A restore is copied beside the data, checked table by table, and moved in
// the same way. Everything goes through an Env, so that tests can make any step fail.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include "engine/env.h"
#include "maintenance/archive_files.h"

namespace lumiro::maintenance {

// Where the program's data lie, as the program names them (any letter case).
struct Places {
    std::string root;                // the data root
    std::vector<std::string> years;  // the year folders found at start
    std::string programFolder;       // the company and parameters tables, the restore's record
};

struct Outcome {
    bool ok = false;
    // The user answered No: nothing changed and nothing more is to be said.
    bool cancelled = false;
    // Moves were left for the next start to complete: no table may be opened before it.
    bool unfinished = false;
    QString error;        // why the run did nothing (or, when unfinished, what is left)
    QStringList failed;   // files that could not be read or copied, with the reason
    QStringList damaged;  // tables the engine found damaged, with the problem
    QStringList skipped;  // restore: damaged tables of the archive left out on the user's word
    QStringList leftOut;  // table files left out for the case of their names
};

using Step = std::function<void()>;
// A Yes/No question to the user; true for Yes.
using Ask = std::function<bool(const QString& question)>;

// The working folder an archive run keeps inside the archive folder.
inline constexpr const char* kArchiveWorkFolder = ".lumiro-archiwum";

// Why the archive may not be `archive`, empty when it may: it is (or, through a link, leads
// to) the data root or the program folder, holds either of them, or lies in BAZA or a year
// folder of the data root.
QString refusedArchiveFolder(engine::Env& env, const Places& places, const std::string& archive);

// Completes an archive into `archive` that a crash cut short (the previous archive or the new
// one is then whole) and removes its working folder. False when there was nothing to do.
// Throws EngineError when the folder cannot be tidied.
bool completeInterruptedArchive(engine::Env& env, const std::string& archive);

// Copies the files that take part into `archive`. Nothing of the previous archive changes
// unless every file was copied and every table passed the engine's check; `step` runs once as
// the run begins, once for the root and BAZA, and once for each year.
Outcome archiveData(engine::Env& env, const Places& places, const std::string& archive,
                    const Step& step = {});

// Puts the archive's files back into the data root, every table with all of its companions
// (live ones the archive lacks go). Nothing of the data root changes unless every table taken
// opened and passed the engine's check; when some did not, `ask` decides whether the others
// are restored. The caller has closed every table. The moves record lies in the program folder.
Outcome restoreData(engine::Env& env, const Places& places, const std::string& archive,
                    const Ask& ask, const Step& step = {});

}  // namespace lumiro::maintenance
