#include "maintenance/archive.h"

#include <QFile>

#include <algorithm>
#include <future>
#include <map>
#include <set>

#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/file_names.h"

namespace lumiro::maintenance {
namespace {

using engine::Env;
using namespace detail;

constexpr const char* kRecordName = "ARCHIWUM.PLN";

// A path as the user reads it.
QString text(const std::string& s) {
    return QFile::decodeName(s.c_str());
}

// The folders no archive may reach: the data root and its data folders, the program folder.
struct Guard {
    std::string root;
    std::string program;
    std::vector<std::pair<std::string, std::string>> dataFolders;  // name, located folder

    // Compared without regard to letter case, as the program names files.
    Guard(Env& env, const Places& places) : root(engine::fileNameKey(located(env, places.root))) {
        if (!places.programFolder.empty())
            program = engine::fileNameKey(located(env, places.programFolder));
        std::vector<std::string> names{"BAZA"};
        names.insert(names.end(), places.years.begin(), places.years.end());
        for (const std::string& name : names)
            dataFolders.emplace_back(name,
                                     engine::fileNameKey(located(env, join(places.root, name))));
    }

    // Why the located folder (named `shown` to the user) may not be written to.
    QString refused(const std::string& place, const std::string& shown) const {
        const std::string at = engine::fileNameKey(place);
        const QString folder = text(shown);
        if (at == root)
            return QStringLiteral("Archiwum nie może być folderem danych programu (%1).")
                .arg(folder);
        for (const auto& [name, data] : dataFolders)
            if (within(at, data))
                return QStringLiteral(
                           "Archiwum nie może leżeć w folderze %1 danych programu (%2): "
                           "zastąpiłoby tabele, które kopiuje.")
                    .arg(text(name), folder);
        if (within(root, at))
            return QStringLiteral("Folder danych programu nie może leżeć w folderze archiwum (%1).")
                .arg(folder);
        if (!program.empty() && at == program)
            return QStringLiteral(
                       "Archiwum nie może być folderem programu (%1), w którym leżą jego "
                       "tabele.")
                .arg(folder);
        if (!program.empty() && within(program, at))
            return QStringLiteral("Folder programu nie może leżeć w folderze archiwum (%1).")
                .arg(folder);
        return {};
    }
};

QString listed(const QStringList& lines) {
    return lines.join(u'\n');
}

}  // namespace

QString refusedArchiveFolder(Env& env, const Places& places, const std::string& archive) {
    return Guard(env, places).refused(located(env, archive), archive);
}

bool completeInterruptedArchive(Env& env, const std::string& archive) {
    const std::string work = join(located(env, archive), kArchiveWorkFolder);
    bool any = data::completeFileMoves(env, join(work, kRecordName));
    if (env.isLink(work) || env.isDir(work) || env.exists(work)) {
        data::removeOwnFolder(env, work);
        any = true;
    }
    return any;
}

Outcome archiveData(Env& env, const Places& places, const std::string& archive, const Step& step) {
    Outcome out;
    const std::string root = located(env, places.root);
    if (!env.isDir(root)) {
        out.error = QStringLiteral("Nie ma folderu danych %1. Archiwum nie zostało utworzone.")
                        .arg(text(places.root));
        return out;
    }
    const std::string a = located(env, archive);
    const Guard guard(env, places);
    out.error = guard.refused(a, archive);
    if (!out.error.isEmpty()) return out;
    try {
        completeInterruptedArchive(env, a);
    } catch (const std::exception& e) {
        out.error = QStringLiteral("Archiwum w folderze %1 nie zostało zmienione:\n%2")
                        .arg(text(archive), QString::fromUtf8(e.what()));
        return out;
    }

    const FileSet set = collectFiles(env, root, places.years);
    out.leftOut = qstrings(set.leftOut);
    if (std::none_of(set.files.begin(), set.files.end(), isTable)) {
        out.error = QStringLiteral(
                        "W folderze danych %1 nie ma żadnej tabeli do zarchiwizowania. Archiwum "
                        "nie zostało utworzone, a data archiwum pozostała bez zmian.")
                        .arg(text(places.root));
        return out;
    }
    // Where each folder of the set goes in the archive, as it lies on disk; none may lead
    // into the data (a link in the archive folder could).
    std::map<std::string, std::string> targets;
    for (const std::string& f : set.files) {
        const std::string folder = folderOfRelative(f);
        if (targets.count(folder)) continue;
        const std::string target = located(env, join(a, folder));
        if (const QString why = guard.refused(target, join(archive, folder)); !why.isEmpty()) {
            out.error = why;
            return out;
        }
        targets[folder] = target;
    }

    const std::string work = join(a, kArchiveWorkFolder);
    const std::string fresh = join(work, "nowe");
    const std::string aside = join(work, "stare");
    const std::string record = join(work, kRecordName);
    bool created = false;
    auto discard = [&] {
        if (!created) return;
        try {
            data::removeOwnFolder(env, work);
        } catch (const std::exception&) {
            // Left for the next run to tidy.
        }
    };
    try {
        data::createOwnFolder(env, work);
        created = true;
        // Every table is checked while the files are copied; the check only reads.
        std::vector<std::pair<std::string, std::future<QString>>> checks;
        for (const std::string& f : set.files)
            if (isTable(f))
                checks.emplace_back(f, std::async(std::launch::async, [&env, path = join(root, f)] {
                                        return tableProblems(env, path);
                                    }));
        QStringList unreadable;
        std::set<std::string> unreadableTables;
        {
            Progress progress(step);
            for (const std::string& f : set.files) {
                progress.at(f);
                const std::string from = join(root, f);
                try {
                    env.open(from, engine::OpenMode::ReadOnly);
                } catch (const engine::EngineError& e) {
                    unreadable.append(copyFailure(f, e));
                    unreadableTables.insert(tableKey(f));
                    continue;
                }
                try {
                    copyInto(env, from, join(fresh, f));
                } catch (const engine::EngineError& e) {
                    out.failed.append(copyFailure(f, e));
                }
            }
        }
        for (auto& [f, check] : checks) {
            const QString problem = check.get();
            if (!problem.isEmpty() && !unreadableTables.count(tableKey(f)))
                out.damaged.append(text(f) + QStringLiteral(": ") + problem);
        }
        out.failed = unreadable + out.failed;
        if (!unreadable.isEmpty()) {
            discard();
            out.error =
                QStringLiteral(
                    "Archiwum nie zostało zmienione: nie udało się odczytać plików danych:\n%1\n\n"
                    "Nadaj im prawo odczytu (albo usuń je z folderu danych, jeśli nie są "
                    "potrzebne) i archiwizuj ponownie.")
                    .arg(listed(unreadable));
            return out;
        }
        if (!out.failed.isEmpty()) {
            discard();
            out.error =
                QStringLiteral(
                    "Archiwum nie zostało zmienione: nie udało się zapisać plików w folderze "
                    "%1:\n%2\n\nSprawdź, czy jest tam miejsce i czy wolno tam zapisywać.")
                    .arg(text(archive), listed(out.failed));
            return out;
        }
        if (!out.damaged.isEmpty()) {
            discard();
            out.error = QStringLiteral(
                            "Archiwum nie zostało zmienione, a data archiwum pozostała bez zmian: "
                            "tabele są uszkodzone:\n%1\n\nUszkodzone indeksy naprawi polecenie "
                            "Narzędzia/Odtwarzanie indeksów; potem archiwizuj ponownie.")
                            .arg(listed(out.damaged));
            return out;
        }
        syncCopiedFolders(env, fresh, set.files);
        env.syncDir(work);

        // Table by table: the archive's previous files of the table go aside, then the new
        // ones take their places, the data file last.
        std::map<std::string, std::vector<std::string>> tables;
        for (const std::string& f : set.files) tables[tableKey(f)].push_back(f);
        std::vector<data::FileMove> moves;
        std::set<std::string> goingAside;
        for (auto& [key, files] : tables) {
            const std::string folder = folderOfRelative(files.front());
            const std::string target = targets.at(folder);
            const std::string stem = engine::fileNameKey(engine::baseName(stemOf(files.front())));
            if (env.isDir(target)) {
                for (const std::string& name : env.listDir(target)) {
                    const std::string path = engine::joinPath(target, name);
                    if (!takesPart(name) || engine::fileNameKey(stemOf(name)) != stem) continue;
                    if (!env.isLink(path) && env.isDir(path)) continue;
                    moves.push_back({path, join(aside, join(folder, name))});
                    goingAside.insert(path);
                }
            }
            std::stable_partition(files.begin(), files.end(),
                                  [](const std::string& f) { return !isTable(f); });
            for (const std::string& f : files) {
                const std::string to = engine::joinPath(target, engine::baseName(f));
                if ((env.exists(to) || env.isLink(to)) && !goingAside.count(to)) {
                    discard();
                    out.error =
                        QStringLiteral(
                            "Archiwum nie zostało zmienione: w folderze archiwum jest już %1, "
                            "który nie jest plikiem archiwum.")
                            .arg(text(to));
                    return out;
                }
                moves.push_back({join(fresh, f), to});
            }
        }
        try {
            data::moveFilesTogether(env, record, moves, {aside, {work}});
        } catch (const std::exception& e) {
            if (env.exists(record)) {
                out.error = QStringLiteral(
                                "Archiwum w folderze %1 nie zostało zamienione do końca:\n%2\n"
                                "Zostanie uzupełnione przy następnym archiwowaniu; data archiwum "
                                "pozostała bez zmian.")
                                .arg(text(archive), QString::fromUtf8(e.what()));
                return out;
            }
            throw;
        }
        for (const data::FileMove& m : moves) {
            if (!within(m.from, fresh) || env.exists(m.to)) continue;
            out.error = QStringLiteral("Plik %1 nie trafił do archiwum.").arg(text(m.to));
            return out;
        }
    } catch (const std::exception& e) {
        discard();
        out.error =
            QStringLiteral("Archiwum nie zostało zmienione: %1").arg(QString::fromUtf8(e.what()));
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace lumiro::maintenance
