#include "data/file_moves.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <span>

#include "data/data_files.h"
#include "engine/error.h"

namespace lumiro::data {
namespace {

// The marker of a working folder of the program's own.
constexpr const char* kOwnMarker = ".lumiro-folder-roboczy";
constexpr const char* kAsideNote = "#ODLOZONE";
constexpr const char* kOwnedNote = "#ROBOCZY";

std::string folderOf(const std::string& path) {
    const std::string folder = engine::dirName(path);
    return folder.empty() ? std::string(".") : folder;
}

// Creates the folder and the folders above it that are missing.
void createFolders(engine::Env& env, const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/" || env.isDir(folder)) return;
    createFolders(env, engine::dirName(folder));
    env.createDir(folder);
    env.syncDir(folderOf(folder));
}

struct Record {
    std::vector<FileMove> moves;
    MovesFolders folders;
};

QByteArray recordText(const std::vector<FileMove>& moves, const MovesFolders& folders) {
    // Names never hold a tab or a line break.
    QByteArray text;
    if (!folders.aside.empty())
        text += QByteArray(kAsideNote) + '\t' + QByteArray::fromStdString(folders.aside) + '\n';
    for (const std::string& own : folders.owned)
        text += QByteArray(kOwnedNote) + '\t' + QByteArray::fromStdString(own) + '\n';
    for (const FileMove& m : moves)
        text += QByteArray::fromStdString(m.from) + '\t' + QByteArray::fromStdString(m.to) + '\n';
    return text;
}

Record parseRecord(const QByteArray& text) {
    Record record;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0) continue;
        const std::string first = line.left(tab).toStdString();
        const std::string second = line.mid(tab + 1).toStdString();
        if (first == kAsideNote)
            record.folders.aside = second;
        else if (first == kOwnedNote)
            record.folders.owned.push_back(second);
        else if (first[0] != '#')
            record.moves.push_back({first, second});
    }
    return record;
}

// One move, durable before it returns unless `durable` is false (the caller then syncs the
// folders itself).
void make(engine::Env& env, const FileMove& m, bool durable = true) {
    // Already made (a completed run, or one undone): nothing to do.
    if (!env.exists(m.from) || env.exists(m.to)) return;
    createFolders(env, folderOf(m.to));
    env.rename(m.from, m.to);
    if (!durable) return;
    env.syncDir(folderOf(m.to));
    env.syncDir(folderOf(m.from));
}

// Makes the renames of every move durable with one sync a folder. A folder is synced only
// after every folder its files went to, so that a crash between two syncs may leave a moved
// file under its old name as well as its new one, never under neither; completing the record
// makes each move again from either state.
void syncMoves(engine::Env& env, const std::vector<FileMove>& moves) {
    std::vector<std::string> pending;
    auto add = [&pending](const std::string& folder) {
        if (std::find(pending.begin(), pending.end(), folder) == pending.end())
            pending.push_back(folder);
    };
    for (const FileMove& m : moves) {
        add(folderOf(m.to));
        add(folderOf(m.from));
    }
    std::vector<std::string> synced;
    auto isSynced = [&synced](const std::string& f) {
        return std::find(synced.begin(), synced.end(), f) != synced.end();
    };
    while (!pending.empty()) {
        // The first folder whose files' new folders are all synced; in a cycle, the first.
        auto ready = std::find_if(pending.begin(), pending.end(), [&](const std::string& f) {
            return std::all_of(moves.begin(), moves.end(), [&](const FileMove& m) {
                const std::string to = folderOf(m.to);
                return folderOf(m.from) != f || to == f || isSynced(to);
            });
        });
        if (ready == pending.end()) ready = pending.begin();
        env.syncDir(*ready);
        synced.push_back(*ready);
        pending.erase(ready);
    }
}

// Once every move is made the working folders go; one left over is removed by the next run.
void removeOwned(engine::Env& env, const MovesFolders& folders) {
    for (const std::string& own : folders.owned) {
        try {
            removeOwnFolder(env, own);
        } catch (const std::exception&) {
        }
    }
}

std::string markerOf(const std::string& folder) {
    return engine::joinPath(folder, kOwnMarker);
}

// Everything in the folder but its marker; links are removed as links.
void removeContents(engine::Env& env, const std::string& folder) {
    for (const std::string& name : env.listDir(folder)) {
        if (name == kOwnMarker) continue;
        const std::string path = engine::joinPath(folder, name);
        if (!env.isLink(path) && env.isDir(path)) {
            removeContents(env, path);
            env.removeDir(path);
        } else {
            env.remove(path);
        }
    }
}

[[noreturn]] void notOurs(const std::string& folder) {
    engine::fail(engine::ErrorCode::AlreadyExists,
                 "Folder " + folder +
                     " nie został utworzony przez program, więc program go nie usunie ani nie "
                     "zmieni. Przenieś go w inne miejsce lub zmień jego nazwę.");
}

}  // namespace

void moveFilesTogether(engine::Env& env, const std::string& record,
                       const std::vector<FileMove>& moves, const MovesFolders& folders) {
    try {
        replaceFile(env, record, recordText(moves, folders));
    } catch (...) {
        // No move was made: a record that got in place all the same must not be completed.
        try {
            removeFile(env, record);
        } catch (...) {
        }
        throw;
    }
    std::size_t made = 0;
    try {
        for (; made < moves.size(); ++made) make(env, moves[made], false);
        syncMoves(env, moves);
    } catch (...) {
        // Back as it was: the moves made are undone from the last one, the failed one first
        // (its rename may have happened before its folders' sync failed).
        try {
            for (std::size_t i = std::min(made + 1, moves.size()); i-- > 0;)
                make(env, FileMove{moves[i].to, moves[i].from});
            removeFile(env, record);
        } catch (...) {
            // The record stays: the next start completes what was begun.
        }
        throw;
    }
    // Every move is made. A record that cannot be removed is harmless: the next start finds
    // its moves made and removes it.
    try {
        removeFile(env, record);
    } catch (const std::exception&) {
        return;
    }
    removeOwned(env, folders);
}

bool completeFileMoves(engine::Env& env, const std::string& record) {
    const auto text = readFile(env, record);
    if (!text) return false;
    // In the record's order the target of a move is never there before the move was made
    // (the files it replaces went aside in earlier moves), so a target that is there means
    // the move was made. A source that a later move has filled again (that move's own source
    // is gone) was moved as well, whether its target is still there or was cleared away
    // since. A source's name surviving a crash beside its target is dropped.
    const Record parsed = parseRecord(*text);
    const std::vector<FileMove>& moves = parsed.moves;
    auto refilled = [&](std::size_t i) {
        for (std::size_t j = i + 1; j < moves.size(); ++j)
            if (moves[j].to == moves[i].from && !env.exists(moves[j].from)) return true;
        return false;
    };
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const FileMove& m = moves[i];
        if (!env.exists(m.from) || refilled(i)) continue;
        if (!env.exists(m.to)) {
            make(env, m);
        } else {
            env.remove(m.from);
            env.syncDir(folderOf(m.from));
        }
    }
    removeFile(env, record);
    removeOwned(env, parsed.folders);
    return true;
}

std::optional<std::string> recordedAsideFolder(engine::Env& env, const std::string& record) {
    try {
        const auto text = readFile(env, record);
        if (!text) return std::nullopt;
        const std::string aside = parseRecord(*text).folders.aside;
        if (aside.empty()) return std::nullopt;
        return aside;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void createOwnFolder(engine::Env& env, const std::string& folder) {
    if (env.isLink(folder) || (env.exists(folder) && !env.isDir(folder))) notOurs(folder);
    // An empty folder of the name is taken over: a crash may have left it before its marker.
    if (env.isDir(folder) && !env.exists(markerOf(folder)) && !env.listDir(folder).empty())
        notOurs(folder);
    // The folders made here are undone when the marker cannot be written: they are empty and
    // nobody else's.
    std::vector<std::string> made;
    for (std::string f = folder; !f.empty() && f != "." && f != "/" && !env.isDir(f);
         f = engine::dirName(f))
        made.push_back(f);
    try {
        createFolders(env, folder);
        auto marker = env.open(markerOf(folder), engine::OpenMode::CreateOrTrunc);
        static constexpr char kText[] = "Folder roboczy programu Lumiro; program usunie go sam.\n";
        marker->write(0, std::as_bytes(std::span(kText, sizeof kText - 1)));
        marker->sync();
        env.syncDir(folder);
    } catch (...) {
        try {
            if (!made.empty()) env.remove(markerOf(folder));
            for (const std::string& f : made) env.removeDir(f);
            if (!made.empty()) env.syncDir(folderOf(made.back()));
        } catch (...) {
        }
        throw;
    }
}

bool isOwnFolder(engine::Env& env, const std::string& folder) {
    return !env.isLink(folder) && env.isDir(folder) && env.exists(markerOf(folder));
}

void removeOwnFolder(engine::Env& env, const std::string& folder) {
    if (!env.isLink(folder) && !env.isDir(folder) && !env.exists(folder)) return;
    if (!isOwnFolder(env, folder)) {
        if (!env.isLink(folder) && env.isDir(folder) && env.listDir(folder).empty()) return;
        notOurs(folder);
    }
    removeContents(env, folder);
    env.remove(markerOf(folder));
    env.removeDir(folder);
    env.syncDir(folderOf(folder));
}

}  // namespace lumiro::data
