#include "maintenance/archive.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/file_names.h"

namespace lumiro::maintenance {
namespace {

using engine::Env;
using namespace detail;

constexpr const char* kFreshFolder = "ODTWARZANIE.nowe";
constexpr const char* kAsideFolder = "ODTWARZANIE.stare";

// A path as the user reads it.
QString text(const std::string& s) {
    return QFile::decodeName(s.c_str());
}

// The companions a restored table takes the place of: its data, memo, index and journal
// files, whatever their case. Structure descriptions and other files stay.
bool replacedCompanion(const std::string& name) {
    const std::string e = upper(extensionOf(name));
    if (e == "DB" || e == "MB" || e == "PX" || e == "JNL") return true;
    if (e.size() != 3 || (e[0] != 'X' && e[0] != 'Y')) return false;
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    return (e[1] == 'G' && hex(e[2])) || (hex(e[1]) && hex(e[2]));
}

}  // namespace

Outcome restoreData(Env& env, const Places& places, const std::string& archive, const Ask& ask,
                    const Step& step) {
    Outcome out;
    const std::string record = engine::joinPath(places.programFolder, data::kMovesRecordName);
    if (env.exists(record)) {
        out.unfinished = true;
        out.error = QStringLiteral(
            "Poprzednie odtwarzanie nie zostało dokończone. Uruchom program ponownie: "
            "dokończy je, zanim otworzy tabele.");
        return out;
    }
    const std::string a = located(env, archive);
    if (!env.isDir(a)) {
        out.error = QStringLiteral("Folder archiwum %1 nie istnieje. Niczego nie odtworzono.")
                        .arg(text(archive));
        return out;
    }
    const std::string root = located(env, places.root);
    if (!env.isDir(root)) {
        out.error = QStringLiteral("Nie ma folderu danych %1. Niczego nie odtworzono.")
                        .arg(text(places.root));
        return out;
    }
    if (a == root) {
        out.error = QStringLiteral(
                        "Folder archiwum %1 jest folderem danych programu. Niczego nie odtworzono.")
                        .arg(text(archive));
        return out;
    }
    try {
        // An archive a crash cut short is made whole first, so that one moment comes back.
        completeInterruptedArchive(env, a);
    } catch (const std::exception& e) {
        out.error = QStringLiteral(
                        "Archiwum w folderze %1 nie jest kompletne, a nie udało się go "
                        "uzupełnić:\n%2\nNiczego nie odtworzono.")
                        .arg(text(archive), QString::fromUtf8(e.what()));
        return out;
    }
    const FileSet set = collectFiles(env, a, places.years);
    out.leftOut = qstrings(set.leftOut);
    if (std::none_of(set.files.begin(), set.files.end(), isTable)) {
        out.error = QStringLiteral("Folder archiwum %1 nie zawiera tabel. Niczego nie odtworzono.")
                        .arg(text(archive));
        return out;
    }

    const std::string fresh = join(root, kFreshFolder);
    const std::string aside = join(root, kAsideFolder);
    bool created = false;
    auto discard = [&] {
        if (!created) return;
        for (const std::string& own : {fresh, aside}) {
            try {
                data::removeOwnFolder(env, own);
            } catch (const std::exception&) {
                // Left for the next run to tidy.
            }
        }
    };
    std::vector<data::FileMove> moves;
    try {
        // What an earlier run left behind.
        data::removeOwnFolder(env, fresh);
        data::removeOwnFolder(env, aside);
        data::createOwnFolder(env, fresh);
        created = true;
        {
            Progress progress(step);
            for (const std::string& f : set.files) {
                progress.at(f);
                try {
                    copyInto(env, join(a, f), join(fresh, f));
                } catch (const engine::EngineError& e) {
                    out.failed.append(copyFailure(f, e));
                }
            }
        }
        if (!out.failed.isEmpty()) {
            discard();
            out.error = QStringLiteral(
                            "Niczego nie odtworzono: nie udało się skopiować plików archiwum:\n%1")
                            .arg(out.failed.join(u'\n'));
            return out;
        }
        // Every table taken must open and be whole before anything is replaced.
        std::set<std::string> damaged;
        int tables = 0;
        for (const std::string& f : set.files) {
            if (!isTable(f)) continue;
            ++tables;
            const QString problem = tableProblems(env, join(fresh, f));
            if (problem.isEmpty()) continue;
            damaged.insert(tableKey(f));
            out.damaged.append(text(f) + QStringLiteral(": ") + problem);
        }
        if (!damaged.empty()) {
            const QString list = out.damaged.join(u'\n');
            if (int(damaged.size()) == tables) {
                discard();
                out.error = QStringLiteral(
                                "Tabele w archiwum %1 są uszkodzone:\n%2\nNiczego nie odtworzono.")
                                .arg(text(archive), list);
                return out;
            }
            const QString question =
                (damaged.size() == 1 ? QStringLiteral("W archiwum uszkodzona jest tabela:\n%1\n\n")
                                     : QStringLiteral("W archiwum uszkodzone są tabele:\n%1\n\n"))
                    .arg(list) +
                QStringLiteral("Czy odtworzyć pozostałe tabele ?");
            if (!ask || !ask(question)) {
                discard();
                out.cancelled = true;
                return out;
            }
            out.skipped = out.damaged;
        }
        syncCopiedFolders(env, fresh, set.files);
        data::createOwnFolder(env, aside);

        // The moves, table by table: the live files of the table go aside, then the archive's
        // take their places, the data file last.
        std::map<std::string, std::vector<std::string>> byTable;
        for (const std::string& f : set.files)
            if (!damaged.count(tableKey(f))) byTable[tableKey(f)].push_back(f);
        for (auto& [key, files] : byTable) {
            const std::string folder = folderOfRelative(files.front());
            const std::string live = engine::resolveExisting(env, join(root, folder)).path;
            const std::string stem = engine::fileNameKey(engine::baseName(stemOf(files.front())));
            std::set<std::string> incoming;
            std::set<std::string> goingAside;
            for (const std::string& f : files)
                incoming.insert(engine::fileNameKey(engine::baseName(f)));
            if (env.isDir(live)) {
                for (const std::string& name : env.listDir(live)) {
                    const std::string path = engine::joinPath(live, name);
                    if (!env.isLink(path) && env.isDir(path)) continue;
                    if (engine::fileNameKey(stemOf(name)) != stem) continue;
                    if (!replacedCompanion(name) && !takesPart(name) &&
                        !incoming.count(engine::fileNameKey(name)))
                        continue;
                    moves.push_back({path, join(aside, join(folder, name))});
                    goingAside.insert(path);
                }
            }
            std::stable_partition(files.begin(), files.end(),
                                  [](const std::string& f) { return !isTable(f); });
            for (const std::string& f : files) {
                const std::string to = engine::joinPath(live, engine::baseName(f));
                if ((env.exists(to) || env.isLink(to)) && !goingAside.count(to))
                    engine::fail(engine::ErrorCode::AlreadyExists,
                                 "W folderze danych jest już " + to +
                                     ", którego odtworzenie nie może zastąpić.");
                moves.push_back({join(fresh, f), to});
            }
        }
    } catch (const std::exception& e) {
        discard();
        out.error = QStringLiteral("Odtwarzanie przerwano; dane programu pozostały bez zmian.\n%1")
                        .arg(QString::fromUtf8(e.what()));
        return out;
    }
    try {
        data::moveFilesTogether(env, record, moves, {aside, {fresh, aside}});
    } catch (const std::exception& e) {
        if (env.exists(record)) {
            out.unfinished = true;
            out.error = QStringLiteral(
                            "Odtwarzanie nie zostało dokończone:\n%1\n\nZostanie dokończone przy "
                            "następnym uruchomieniu programu. Pliki danych sprzed odtwarzania są w "
                            "folderze %2.")
                            .arg(QString::fromUtf8(e.what()), text(aside));
            return out;
        }
        discard();
        out.error = QStringLiteral("Odtwarzanie przerwano; dane programu pozostały bez zmian.\n%1")
                        .arg(QString::fromUtf8(e.what()));
        return out;
    }
    for (const data::FileMove& m : moves) {
        if (!within(m.from, fresh) || env.exists(m.to)) continue;
        out.error = QStringLiteral("Pliku %1 nie odtworzono.").arg(text(m.to));
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace lumiro::maintenance
