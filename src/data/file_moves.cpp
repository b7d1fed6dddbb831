#include "data/file_moves.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

#include "data/data_files.h"
#include "engine/error.h"

namespace lumiro::data {
namespace {

std::string folderOf(const std::string& path) {
    const std::string folder = engine::dirName(path);
    return folder.empty() ? std::string(".") : folder;
}

// Creates the folder and the folders above it that are missing.
void createFolders(engine::Env& env, const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/" || env.isDir(folder)) return;
    createFolders(env, engine::dirName(folder));
    env.createDir(folder);
}

QByteArray recordText(const std::vector<FileMove>& moves) {
    // One move a line, source and target separated by a tab; names never hold either.
    QByteArray text;
    for (const FileMove& m : moves)
        text += QByteArray::fromStdString(m.from) + '\t' + QByteArray::fromStdString(m.to) + '\n';
    return text;
}

std::vector<FileMove> parseRecord(const QByteArray& text) {
    std::vector<FileMove> moves;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0) continue;
        moves.push_back({line.left(tab).toStdString(), line.mid(tab + 1).toStdString()});
    }
    return moves;
}

bool done(engine::Env& env, const FileMove& m) {
    return !env.exists(m.from);
}

void make(engine::Env& env, const FileMove& m) {
    // Already made (a completed run, or one undone): nothing to do.
    if (!env.exists(m.from) || env.exists(m.to)) return;
    createFolders(env, folderOf(m.to));
    env.rename(m.from, m.to);
    env.syncDir(folderOf(m.to));
    env.syncDir(folderOf(m.from));
}

}  // namespace

void moveFilesTogether(engine::Env& env, const std::string& record,
                       const std::vector<FileMove>& moves) {
    replaceFile(env, record, recordText(moves));
    std::size_t made = 0;
    try {
        for (; made < moves.size(); ++made) make(env, moves[made]);
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
    }
}

bool completeFileMoves(engine::Env& env, const std::string& record) {
    const auto text = readFile(env, record);
    if (!text) return false;
    // In the record's order the target of a move is never there before the move was made
    // (the files it replaces went aside in earlier moves), so a target that is there means
    // the move was made. A source that a later move has filled again (that move's own source
    // is gone) was moved as well, whether its target is still there or was cleared away
    // since. A source's name surviving a crash beside its target is dropped.
    const std::vector<FileMove> moves = parseRecord(*text);
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
    return true;
}

void removeTree(engine::Env& env, const std::string& folder) {
    if (!env.isDir(folder)) return;
    for (const std::string& name : env.listDir(folder)) {
        const std::string path = engine::joinPath(folder, name);
        if (env.isDir(path))
            removeTree(env, path);
        else
            env.remove(path);
    }
    env.removeDir(folder);
    env.syncDir(folderOf(folder));
}

}  // namespace lumiro::data
