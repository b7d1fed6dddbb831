#include "maintenance/archive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <future>
#include <map>
#include <set>

#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/file_names.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::maintenance {
namespace {

using engine::Env;

std::string extensionOf(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

std::string stemOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

bool partExtension(const std::string& ext) {
    if (ext.size() != 2 && ext.size() != 3) return false;
    const std::string head = ext.substr(0, 2);
    return head == "DB" || head == "MB" || head == "PX" || head == "XG" || head == "YG";
}

// The companions a restored table takes the place of: its data, memo, index and journal
// files, whatever their case. Structure descriptions and other files stay.
bool replacedCompanion(const std::string& ext) {
    const std::string e = upper(ext);
    if (e == "DB" || e == "MB" || e == "PX" || e == "JNL") return true;
    if (e.size() != 3 || (e[0] != 'X' && e[0] != 'Y')) return false;
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    return (e[1] == 'G' && hex(e[2])) || (hex(e[1]) && hex(e[2]));
}

std::string join(const std::string& a, const std::string& b) {
    return a.empty() ? b : engine::joinPath(a, b);
}

// An entry of the folder in the spelling it has there, whatever the case asked for.
std::string entry(Env& env, const std::string& folder, const std::string& name) {
    return engine::resolveExisting(env, join(folder, name)).path;
}

void filesOf(Env& env, const std::string& folder, const std::string& relative, FileSet& set) {
    if (!env.isDir(folder)) return;
    std::vector<std::string> names = env.listDir(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = engine::joinPath(folder, name);
        if (env.isDir(path)) continue;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        if (takesPart(name))
            set.files.push_back(rel);
        else if (leftOutForCase(name))
            set.leftOut.push_back(rel);
    }
}

// The files one level below each folder of `folder` (relative name `relative`).
void subfolderFiles(Env& env, const std::string& root, const std::string& relative, FileSet& set) {
    const std::string folder = engine::joinPath(root, relative);
    if (!env.isDir(folder)) return;
    std::vector<std::string> names = env.listDir(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name.empty() || name[0] == '.') continue;
        const std::string path = engine::joinPath(folder, name);
        if (env.isDir(path)) filesOf(env, path, relative + "/" + name, set);
    }
}

void createFolders(Env& env, const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/" || env.isDir(folder)) return;
    createFolders(env, engine::dirName(folder));
    env.createDir(folder);
}

void copyFile(Env& env, const std::string& from, const std::string& to) {
    createFolders(env, engine::dirName(to));
    env.copyFile(from, to);
}

// Problems the engine finds in a table, read as it is without writing anything; empty when
// it is sound.
QString tableProblems(Env& env, const std::string& dataPath) {
    try {
        engine::Session session("SPRAWDZENIE", env);
        engine::Table table(session);
        table.open(dataPath, engine::AccessMode::ReadOnly);
        const auto problems = table.verify();
        return problems.empty() ? QString() : QString::fromStdString(problems.front());
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

std::string normal(const std::string& path) {
    std::string p = std::filesystem::path(path).lexically_normal().string();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return engine::fileNameKey(p);
}

bool within(const std::string& inner, const std::string& outer) {
    if (outer == "/") return true;
    return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                              inner[outer.size()] == '/');
}

QStringList qstrings(const std::vector<std::string>& list) {
    QStringList out;
    for (const auto& s : list) out.append(QString::fromStdString(s));
    return out;
}

// Year folders in a folder: names that begin with a 1 or a 2, as the year check lists them.
std::vector<std::string> yearFoldersIn(Env& env, const std::string& folder) {
    std::vector<std::string> years;
    if (!env.isDir(folder)) return years;
    for (const std::string& name : env.listDir(folder))
        if (!name.empty() && (name[0] == '1' || name[0] == '2') && env.isDir(engine::joinPath(folder, name)))
            years.push_back(name);
    return years;
}

// The progress window's steps: one as the run begins, one when the root's own files are
// done, one as each year folder begins (BAZA goes with the root).
class Progress {
  public:
    explicit Progress(const Step& step) : step_(step) {
        if (step_) step_();
    }
    void at(const std::string& file) {
        const auto slash = file.find('/');
        const std::string group = slash == std::string::npos ? std::string() : file.substr(0, slash);
        const bool year = !group.empty() && upper(group) != "BAZA";
        if (!rootDone_ && !group.empty()) {
            rootDone_ = true;
            if (step_) step_();
        }
        if (year && group != current_ && step_) step_();
        current_ = group;
    }

  private:
    const Step& step_;
    bool rootDone_ = false;
    std::string current_;
};

}  // namespace

bool takesPart(const std::string& fileName) {
    return partExtension(extensionOf(fileName));
}

bool leftOutForCase(const std::string& fileName) {
    const std::string ext = extensionOf(fileName);
    return !partExtension(ext) && partExtension(upper(ext));
}

FileSet collectFiles(Env& env, const std::string& root, const std::vector<std::string>& years) {
    FileSet set;
    filesOf(env, root, {}, set);
    subfolderFiles(env, root, engine::baseName(entry(env, root, "BAZA")), set);
    for (const std::string& year : years)
        subfolderFiles(env, root, engine::baseName(entry(env, root, year)), set);
    return set;
}

QString refusedArchiveFolder(const std::string& root, const std::vector<std::string>& years,
                             const std::string& archive) {
    const std::string a = normal(archive);
    const std::string r = normal(root);
    if (a == r) return QStringLiteral("Archiwum nie może być folderem danych programu.");
    std::vector<std::string> guarded{"BAZA"};
    guarded.insert(guarded.end(), years.begin(), years.end());
    for (const std::string& g : guarded)
        if (within(a, normal(root + "/" + g)))
            return QStringLiteral("Archiwum nie może leżeć w folderze %1 danych programu: "
                                  "kopiowanie usunęłoby pliki, które kopiuje.")
                .arg(QString::fromStdString(g));
    if (within(r, a)) return QStringLiteral("Folder danych programu nie może leżeć w archiwum.");
    return {};
}

Outcome archiveData(Env& env, const std::string& root, const std::vector<std::string>& years,
                    const std::string& archive, const Step& step) {
    Outcome out;
    out.error = refusedArchiveFolder(root, years, archive);
    if (!out.error.isEmpty()) return out;
    const std::string staging = archive + ".nowe";
    const std::string backup = archive + ".stare";
    try {
        // What an interrupted run left: the previous archive comes back, the half-built goes.
        if (!env.isDir(archive) && env.isDir(backup)) env.rename(backup, archive);
        data::removeTree(env, staging);
        data::removeTree(env, backup);

        const FileSet set = collectFiles(env, root, years);
        out.leftOut = qstrings(set.leftOut);
        // Every table is checked while the files are copied; a damaged one then keeps what
        // the previous archive had of it. The check only reads.
        std::vector<std::pair<std::string, std::future<QString>>> checks;
        for (const std::string& f : set.files)
            if (upper(extensionOf(f)) == "DB")
                checks.emplace_back(f, std::async(std::launch::async, [&env, path = engine::joinPath(root, f)] {
                                        return tableProblems(env, path);
                                    }));
        std::set<std::string> written;
        {
            Progress progress(step);
            for (const std::string& f : set.files) {
                progress.at(f);
                try {
                    copyFile(env, engine::joinPath(root, f), engine::joinPath(staging, f));
                    written.insert(engine::fileNameKey(f));
                } catch (const engine::EngineError& e) {
                    out.failed.append(QString::fromStdString(f) + QStringLiteral(": ") +
                                      QString::fromUtf8(e.what()));
                }
            }
        }
        std::set<std::string> damaged;
        for (auto& [f, check] : checks) {
            const QString problem = check.get();
            if (problem.isEmpty()) continue;
            damaged.insert(engine::fileNameKey(stemOf(f)));
            out.damaged.append(QString::fromStdString(f) + QStringLiteral(": ") + problem);
        }
        for (const std::string& f : set.files) {
            if (!damaged.count(engine::fileNameKey(stemOf(f)))) continue;
            env.remove(engine::joinPath(staging, f));
            written.erase(engine::fileNameKey(f));
        }
        // What the previous archive holds and this one would lack (the damaged tables, years
        // no longer in the data root) is kept as it was.
        if (env.isDir(archive)) {
            const FileSet previous = collectFiles(env, archive, yearFoldersIn(env, archive));
            for (const std::string& f : previous.files) {
                if (written.count(engine::fileNameKey(f))) continue;
                try {
                    copyFile(env, engine::joinPath(archive, f), engine::joinPath(staging, f));
                } catch (const engine::EngineError& e) {
                    out.failed.append(QString::fromStdString(f) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
                }
            }
        }
        if (!out.failed.isEmpty()) {
            data::removeTree(env, staging);
            out.error = QStringLiteral("Nie udało się skopiować wszystkich plików; poprzednie archiwum "
                                       "pozostało bez zmian.");
            return out;
        }
        createFolders(env, staging);
        env.syncDir(staging);
        // The new archive takes the place of the previous one whole.
        const bool hadArchive = env.isDir(archive);
        if (hadArchive) env.rename(archive, backup);
        try {
            env.rename(staging, archive);
        } catch (...) {
            if (hadArchive) env.rename(backup, archive);
            throw;
        }
        // The new archive is in place; what is left to do cannot make it fail any more (the
        // previous one left behind is removed by the next run).
        try {
            env.syncDir(engine::dirName(archive).empty() ? "." : engine::dirName(archive));
            data::removeTree(env, backup);
        } catch (const std::exception&) {
        }
    } catch (const std::exception& e) {
        try {
            data::removeTree(env, staging);
        } catch (...) {
        }
        out.error = QStringLiteral("Archiwum nie zostało utworzone: %1").arg(QString::fromUtf8(e.what()));
        return out;
    }
    out.ok = out.damaged.isEmpty();
    return out;
}

Outcome restoreData(Env& env, const std::string& root, const std::vector<std::string>& years,
                    const std::string& archive, const std::string& record, const Step& step) {
    Outcome out;
    if (!env.isDir(archive)) {
        out.error = QStringLiteral("Folder archiwum %1 nie istnieje. Niczego nie odtworzono.")
                        .arg(QString::fromStdString(archive));
        return out;
    }
    const std::string staging = engine::joinPath(root, "ODTWARZANIE.nowe");
    const std::string backup = engine::joinPath(root, "ODTWARZANIE.stare");
    // A failure before any live file moved: the staged copy goes, the data stay.
    auto untouched = [&](const std::exception& e) {
        try {
            data::removeTree(env, staging);
        } catch (...) {
        }
        out.error = QStringLiteral("Odtwarzanie przerwano; dane programu pozostały bez zmian.\n%1")
                        .arg(QString::fromUtf8(e.what()));
        return out;
    };
    std::vector<data::FileMove> moves;
    try {
        data::removeTree(env, staging);
        data::removeTree(env, backup);
        const FileSet set = collectFiles(env, archive, years);
        out.leftOut = qstrings(set.leftOut);
        if (set.files.empty()) {
            out.error = QStringLiteral("Archiwum %1 nie zawiera plików danych. Niczego nie odtworzono.")
                            .arg(QString::fromStdString(archive));
            return out;
        }
        Progress progress(step);
        for (const std::string& f : set.files) {
            progress.at(f);
            copyFile(env, engine::joinPath(archive, f), engine::joinPath(staging, f));
        }
        // Every table of the archive must open and be whole before anything is replaced.
        for (const std::string& f : set.files) {
            if (upper(extensionOf(f)) != "DB") continue;
            const QString problem = tableProblems(env, engine::joinPath(staging, f));
            if (!problem.isEmpty()) {
                data::removeTree(env, staging);
                out.error = QStringLiteral("Tabela %1 w archiwum jest uszkodzona: %2\nNiczego nie odtworzono.")
                                .arg(QString::fromStdString(f), problem);
                return out;
            }
        }
        // The moves, table by table: the live files of the table go aside, then the archive's
        // take their place, the data file last.
        std::map<std::string, std::vector<std::string>> tables;  // stem key -> files
        for (const std::string& f : set.files) tables[engine::fileNameKey(stemOf(f))].push_back(f);
        for (auto& [key, files] : tables) {
            const std::string rel = stemOf(files.front());
            const std::string folderRel = rel.find('/') == std::string::npos ? std::string() : engine::dirName(rel);
            const std::string liveFolder = folderRel.empty() ? root : engine::joinPath(root, folderRel);
            const std::string base = engine::fileNameKey(engine::baseName(rel));
            if (env.isDir(liveFolder)) {
                for (const std::string& name : env.listDir(liveFolder)) {
                    if (engine::fileNameKey(stemOf(name)) != base || !replacedCompanion(extensionOf(name))) continue;
                    const std::string live = engine::joinPath(liveFolder, name);
                    if (env.isDir(live)) continue;
                    moves.push_back({live, engine::joinPath(backup, folderRel.empty() ? name : folderRel + "/" + name)});
                }
            }
            std::stable_partition(files.begin(), files.end(),
                                  [](const std::string& f) { return upper(extensionOf(f)) != "DB"; });
            for (const std::string& f : files)
                moves.push_back({engine::joinPath(staging, f), engine::joinPath(root, f)});
        }
    } catch (const std::exception& e) {
        return untouched(e);
    }
    try {
        data::moveFilesTogether(env, record, moves);
    } catch (const std::exception& e) {
        if (env.exists(record)) {
            out.error = QStringLiteral("Odtwarzanie nie zostało dokończone: %1\nZostanie dokończone przy "
                                       "następnym uruchomieniu programu.")
                            .arg(QString::fromUtf8(e.what()));
            return out;
        }
        return untouched(e);
    }
    try {
        data::removeTree(env, backup);
        data::removeTree(env, staging);
    } catch (...) {
        // What was replaced is gone from the data; folders left over are removed next time.
    }
    out.ok = true;
    return out;
}

}  // namespace lumiro::maintenance
