#include "data/structure_update.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/file_moves.h"
#include "data/progress_bar.h"
#include "data/table_layouts.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "engine/file_names.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/program_paths.h"
#include "platform/prompter.h"

namespace lumiro::data {
namespace {

using engine::EngineError;

const QString kNothingChanged = QStringLiteral(
    "Dane nie zostały przeniesione do nowej struktury; folder roku pozostał bez zmian. Program "
    "spróbuje ponownie przy następnym uruchomieniu.");
using engine::FieldType;
using engine::Table;

QString tableFile(const QString& folder, std::string_view name) {
    return folder + QString::fromLatin1(name.data(), qsizetype(name.size())) +
           QStringLiteral(".DB");
}

// Folders are found whatever the case of their names, as the tables in them are.
std::string folderPath(engine::Session& session, const QString& programPath) {
    return engine::resolveExisting(session.env(), enginePath(programPath)).path;
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(platform::nativePath(path));
}

// The box names its own caption, not the program's title; under the caption's words it says
// which table and why, and that nothing was changed.
void reportCannotCreate(platform::Prompter& prompter, const QString& table, const EngineError& e) {
    const QString title = prompter.title();
    prompter.setTitle(QStringLiteral("Błąd"));
    prompter.error(QStringLiteral("Nie mozna utworzyć tabeli %1\n%2\n%3")
                       .arg(shown(table), QString::fromUtf8(e.what()), kNothingChanged));
    prompter.setTitle(title);
}

bool sameStoredKind(FieldType a, FieldType b) {
    if (a == b) return true;
    auto integer = [](FieldType t) { return t == FieldType::Short || t == FieldType::Long; };
    auto floating = [](FieldType t) { return t == FieldType::Money || t == FieldType::Number; };
    return (integer(a) && integer(b)) || (floating(a) && floating(b));
}

struct ColumnCopy {
    int from;
    int to;
    FieldType fromType;
    FieldType toType;
    int toSize;
};

// Old columns matched to new ones by name. AUTO is left to the new table's counter; a
// column the new layout lacks is dropped.
std::vector<ColumnCopy> matchColumns(const Table& stara, const Table& nowa) {
    std::vector<ColumnCopy> copies;
    const auto& oldFields = stara.fields();
    for (int i = 0; i < stara.storedFieldCount(); ++i) {
        std::string upper = oldFields[std::size_t(i)].name;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        if (upper == "AUTO") continue;
        const int to = nowa.fieldIndex(oldFields[std::size_t(i)].name);
        if (to < 0 || to >= nowa.storedFieldCount()) continue;
        const auto& target = nowa.fields()[std::size_t(to)];
        if (target.type == FieldType::AutoInc) continue;
        copies.push_back({i, to, oldFields[std::size_t(i)].type, target.type, target.size});
    }
    return copies;
}

// Same kinds of value go across unchanged, so that amounts keep every digit; everything
// else goes through its text. Text longer than the new column is cut to fit, as the new
// layouts made some columns shorter.
void copyColumn(const Table& stara, Table& nowa, const ColumnCopy& c) {
    if (c.toType == FieldType::Alpha) {
        std::string text = stara.asString(c.from);
        if (c.toSize > 0 && int(text.size()) > c.toSize) text.resize(std::size_t(c.toSize));
        nowa.setAsString(c.to, text);
    } else if (sameStoredKind(c.fromType, c.toType)) {
        nowa.setValue(c.to, stara.value(c.from));
    } else {
        nowa.setAsString(c.to, stara.asString(c.from));
    }
}

// The staged table is deleted afterwards; the batch only has to end.
void abandonBatch(Table& nowa) {
    try {
        nowa.abortBatch();
    } catch (const EngineError&) {
    }
}

// Copies every record of the old table. A record the new key refuses is reported and left
// out, as before; anything else that fails (a record that cannot be read, a post or the final
// commit that cannot be written) stops the copy with an error naming the record.
void copyRecords(StructureUpdateHost& host, Table& stara, Table& nowa) {
    const auto copies = matchColumns(stara, nowa);
    const std::int64_t count = stara.recordCount();
    if (ProgressBar* bar = host.budowa()) {
        bar->setPosition(0);
        bar->setMaximum(int(std::min<std::int64_t>(count, std::numeric_limits<int>::max())));
    }
    std::int64_t number = 0;
    auto failedAt = [&](const EngineError& e) {
        return EngineError(e.code(), "Rekord nr " + std::to_string(number) + ": " + e.what());
    };
    // One durable unit per table: the table is not in its final place until it is full, so
    // nothing is gained by syncing every record.
    nowa.beginBatch();
    try {
        stara.first();
        while (!stara.eof()) {
            ++number;
            if (ProgressBar* bar = host.budowa()) bar->advance(1);
            nowa.append();
            for (const ColumnCopy& c : copies) {
                try {
                    copyColumn(stara, nowa, c);
                } catch (const EngineError& e) {
                    // A value the new column cannot hold is left out; the record still goes in.
                    if (e.code() != engine::ErrorCode::Conversion &&
                        e.code() != engine::ErrorCode::InvalidArgument)
                        throw;
                }
            }
            try {
                nowa.post();
            } catch (const EngineError& e) {
                if (e.code() != engine::ErrorCode::KeyViolation) throw;
                nowa.cancel();
                host.prompter().error(QStringLiteral("Błąd zapisu"));
            }
            stara.next();
        }
        nowa.endBatch();
    } catch (const EngineError& e) {
        abandonBatch(nowa);
        throw failedAt(e);
    } catch (...) {
        abandonBatch(nowa);
        throw;
    }
}

// The year folder may still be used by the older release, and may sit on read-only media:
// its tables are only read, as they are, and nothing is written beside them. False when the
// table is not there; an EngineError when it is there but cannot be read.
bool openOld(Table& stara, const std::string& path) {
    if (!stara.session().tableExists(path)) return false;
    stara.open(path, engine::AccessMode::ReadOnly);
    return true;
}

// A table of the year folder that is there but cannot be read: nothing is carried over, so
// that the next start tries again once it has been repaired or restored.
void reportUnreadable(platform::Prompter& prompter, const QString& table, const QString& year,
                      const EngineError& e) {
    prompter.error(QStringLiteral("Nie można odczytać tabeli %1 z danych roku %2:\n%3\n"
                                  "Dane nie zostały przeniesione do nowej struktury. Program "
                                  "spróbuje ponownie przy następnym uruchomieniu; wcześniej "
                                  "należy naprawić tabelę lub odtworzyć ją z archiwum.")
                       .arg(shown(table), year, QString::fromUtf8(e.what())));
}

void closeScratch(StructureUpdateHost& host) {
    for (Table* t : {&host.TNOWA(), &host.TSTARA()}) {
        try {
            // A record left half copied by a failure is not to be posted by close().
            if (t->isOpen() && t->state() != engine::TableState::Browse) t->cancel();
            t->close();
        } catch (const EngineError&) {
        }
    }
}

// The files of a staged table, moved into BAZA\KADRY companions first and the data file last.
void addMoves(engine::Session& session, const std::string& staged, const std::string& target,
              std::vector<FileMove>& moves) {
    const std::string folder = engine::dirName(target);
    const std::string stem =
        engine::baseName(target).substr(0, engine::baseName(target).size() - 3);
    for (const std::string& file : session.companionFiles(staged)) {
        if (file == staged) continue;
        moves.push_back(
            {file, engine::joinPath(folder, stem + file.substr(file.find_last_of('.')))});
    }
    moves.push_back({staged, target});
}

// Files of a table of that name in BAZA\KADRY whose data file is gone belong to no table; they
// would keep the staged ones from taking their names.
void removeLeftovers(engine::Session& session, const std::string& target) {
    if (session.tableExists(target)) return;
    for (const std::string& file : session.companionFiles(target)) session.env().remove(file);
}

// The staging folder goes once it is empty; one that cannot be removed now is removed by a
// later update.
void removeStaging(engine::Session& session, const QString& staging) {
    try {
        session.env().removeDir(folderPath(session, staging));
    } catch (const EngineError&) {
    }
}

std::string planPath(engine::Session& session, const QString& root) {
    return engine::joinPath(folderPath(session, root + QString::fromLatin1(kStagingFolder)),
                            kInstallPlanName);
}

}  // namespace

void updateStructure(StructureUpdateHost& host) {
    platform::Prompter& prompter = host.prompter();
    Table& nowa = host.TNOWA();
    Table& stara = host.TSTARA();
    engine::Session& session = nowa.session();
    engine::Env& files = session.env();

    prompter.inform(QStringLiteral("Aktualizacja struktury danych. Może to potrwać kilka minut."));

    const QString root = host.SciezkaDanych();
    const QString year = host.RokRoboczy();
    const QString source = root + year + QStringLiteral("\\KADRY\\");
    const QString target = root + QStringLiteral("BAZA\\KADRY\\");
    const QString staging = root + QString::fromLatin1(kStagingFolder);

    auto resetBar = [&] {
        if (ProgressBar* bar = host.budowa()) {
            bar->setPosition(0);
            bar->setMaximum(100);
        }
    };
    // Undoes the update: the staged tables go, BAZA\KADRY gets nothing.
    std::vector<std::string> staged;
    auto abandon = [&] {
        closeScratch(host);
        for (const std::string& table : staged) {
            try {
                session.deleteTable(table);
            } catch (const EngineError&) {
            }
        }
        removeStaging(session, staging);
        resetBar();
    };

    try {
        for (const QString& folder :
             {root + QStringLiteral("BAZA"), root + QStringLiteral("BAZA\\KADRY"), staging})
            files.createDir(folderPath(session, folder));
    } catch (const EngineError& e) {
        prompter.error(QStringLiteral("Nie można utworzyć folderu danych %1:\n%2\n%3")
                           .arg(shown(target), QString::fromUtf8(e.what()), kNothingChanged));
        resetBar();
        return;
    }

    // Each table is built complete in the staging folder; BAZA\KADRY gets nothing until all
    // of them are.
    std::vector<std::pair<std::string, std::string>> install;  // staged, final
    for (const TableLayout* layout : employeeTableLayouts()) {
        closeScratch(host);
        const QString finalName = tableFile(target, layout->name);
        const std::string finalPath = enginePath(finalName);
        const std::string stagedPath = enginePath(tableFile(staging, layout->name));
        // A table already in BAZA\KADRY is somebody's data: it is kept as it is.
        if (session.tableExists(finalPath)) continue;
        try {
            // Left over by an update that did not finish; its source is still in the year
            // folder, so it is built again from there.
            if (session.tableExists(stagedPath)) session.deleteTable(stagedPath);
            session.createTable(stagedPath, layout->def);
            staged.push_back(session.resolveDataPath(stagedPath));
            nowa.open(stagedPath);
        } catch (const EngineError& e) {
            reportCannotCreate(prompter, finalName, e);
            abandon();
            return;
        }
        install.emplace_back(staged.back(), finalPath);
        const QString oldName = tableFile(source, layout->name);
        bool opened = false;
        try {
            opened = openOld(stara, enginePath(oldName));
        } catch (const EngineError& e) {
            reportUnreadable(prompter, oldName, year, e);
            abandon();
            return;
        }
        try {
            if (opened) copyRecords(host, stara, nowa);
            nowa.close();
        } catch (const EngineError& e) {
            prompter.error(QStringLiteral("Nie można przenieść danych tabeli %1 z roku %2 do "
                                          "tabeli %3:\n%4\n%5")
                               .arg(shown(oldName), year, shown(finalName),
                                    QString::fromUtf8(e.what()), kNothingChanged));
            abandon();
            return;
        }
        closeScratch(host);
    }

    // The payers table is copied as it is, files unchanged, and leaves the year folder only
    // once everything is in place.
    closeScratch(host);
    const QString oldPayersName = source + QStringLiteral("ZLEC.DB");
    const std::string oldPayers = enginePath(oldPayersName);
    const std::string newPayers = enginePath(target + QStringLiteral("ZLEC.DB"));
    bool payersCopied = false;
    bool payersCreated = false;
    try {
        const bool payersThere = openOld(stara, oldPayers);
        stara.close();
        if (!session.tableExists(newPayers)) {
            const std::string stagedPayers = enginePath(staging + QStringLiteral("ZLEC.DB"));
            if (session.tableExists(stagedPayers)) session.deleteTable(stagedPayers);
            // Without a payers table no card could be added: an empty one is made.
            if (payersThere)
                session.copyTable(oldPayers, stagedPayers);
            else
                session.createTable(stagedPayers, zlecLayout().def);
            staged.push_back(session.resolveDataPath(stagedPayers));
            install.emplace_back(staged.back(), newPayers);
            payersCopied = payersThere;
            payersCreated = !payersThere;
        }
    } catch (const EngineError& e) {
        reportUnreadable(prompter, oldPayersName, year, e);
        abandon();
        return;
    }

    // All the tables move in together: a failed move takes back the ones made, a crash is
    // completed at the next start. The employee table goes last: its presence tells later
    // starts that the update is done.
    std::stable_partition(install.begin(), install.end(), [](const auto& table) {
        return !engine::sameFileName(engine::baseName(table.second), "RP7.DB");
    });
    std::vector<FileMove> moves;
    const std::string plan = planPath(session, root);
    try {
        for (const auto& [from, to] : install) {
            removeLeftovers(session, session.resolveDataPath(to));
            addMoves(session, from, session.resolveDataPath(to), moves);
        }
        moveFilesTogether(files, plan, moves);
    } catch (const EngineError& e) {
        // The record of the moves stays when they could not all be taken back: every table is
        // complete, so they are completed, now or at the next start, never abandoned half way.
        bool completed = false;
        try {
            completed = files.exists(plan) && completeFileMoves(files, plan);
        } catch (const EngineError&) {
            closeScratch(host);
            prompter.error(QStringLiteral("Nie można dokończyć przenoszenia nowych tabel do "
                                          "folderu %1:\n%2\nZostanie ono dokończone przy "
                                          "następnym uruchomieniu programu.")
                               .arg(shown(target), QString::fromUtf8(e.what())));
            resetBar();
            return;
        }
        if (!completed) {
            // The engine's words name the file that would not move.
            prompter.error(QStringLiteral("Nie można przenieść nowych tabel do folderu %1:\n%2\n%3")
                               .arg(shown(target), QString::fromUtf8(e.what()), kNothingChanged));
            abandon();
            return;
        }
    }

    // The old payers table has left the year folder. Where the folder cannot be changed
    // (read-only media, another owner) its files stay as they were.
    if (payersCopied) {
        try {
            session.deleteTable(oldPayers);
        } catch (const EngineError&) {
        }
    }
    removeStaging(session, staging);
    resetBar();
    if (payersCreated)
        prompter.inform(QStringLiteral("W danych nie było tabeli płatników składek. Utworzono "
                                       "pustą tabelę %1.\nNajpierw wprowadź płatników (Parametry/"
                                       "Płatnicy składek), a potem ich pracowników.")
                            .arg(shown(target + QStringLiteral("ZLEC.DB"))));
}

void completeStructureUpdate(Tdane& dane) {
    engine::Session& session = dane.SESJA;
    const QString root = dane.values().SciezkaDanych;
    const QString staging = root + QString::fromLatin1(kStagingFolder);
    if (!session.env().isDir(folderPath(session, staging))) return;
    const std::string plan = planPath(session, root);
    // A record that never took its name holds no moves.
    session.env().remove(plan + ".tmp");
    completeFileMoves(session.env(), plan);
    // Empty once the update is done (a cut may have come before it was removed); with staged
    // tables in it, the update was cut before it moved anything, and it runs again.
    removeStaging(session, staging);
}

namespace {

class DataModuleHost : public StructureUpdateHost {
  public:
    explicit DataModuleHost(Tdane& dane) : dane_(dane) {}
    engine::Table& TSTARA() override { return dane_.TSTARA; }
    engine::Table& TNOWA() override { return dane_.TNOWA; }
    platform::Prompter& prompter() override { return dane_.prompter(); }
    ProgressBar* budowa() override { return dane_.budowa(); }
    QString SciezkaDanych() const override { return dane_.values().SciezkaDanych; }
    QString RokRoboczy() const override { return dane_.values().RokRoboczy; }
    void ZapiszRekord(engine::Table& table) override { dane_.ZapiszRekord(table); }

  private:
    Tdane& dane_;
};

}  // namespace

void Aktualizacja(Tdane& dane) {
    DataModuleHost host(dane);
    updateStructure(host);
}

}  // namespace lumiro::data
