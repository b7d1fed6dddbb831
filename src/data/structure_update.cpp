#include "data/structure_update.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/progress_bar.h"
#include "data/table_layouts.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "engine/file_names.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/prompter.h"

namespace lumiro::data {
namespace {

using engine::EngineError;
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

// The box names its own caption, not the program's title.
void reportCannotCreate(platform::Prompter& prompter) {
    const QString title = prompter.title();
    prompter.setTitle(QStringLiteral("Błąd"));
    prompter.error(QStringLiteral("Nie mozna utworzyć tabeli"));
    prompter.setTitle(title);
}

void reportEngineError(platform::Prompter& prompter, const EngineError& e) {
    prompter.error(QString::fromUtf8(e.what()));
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

void copyRecords(StructureUpdateHost& host, Table& stara, Table& nowa) {
    const auto copies = matchColumns(stara, nowa);
    const std::int64_t count = stara.recordCount();
    if (ProgressBar* bar = host.budowa()) {
        bar->setPosition(0);
        bar->setMaximum(int(std::min<std::int64_t>(count, std::numeric_limits<int>::max())));
    }
    // One durable unit per table: the table is not in its final place until it is full, so
    // nothing is gained by syncing every record.
    nowa.beginBatch();
    try {
        for (stara.first(); !stara.eof(); stara.next()) {
            if (ProgressBar* bar = host.budowa()) bar->advance(1);
            nowa.append();
            for (const ColumnCopy& c : copies) {
                try {
                    copyColumn(stara, nowa, c);
                } catch (const EngineError&) {
                    // A value the new column cannot hold is left out; the record still goes in.
                }
            }
            host.ZapiszRekord(nowa);
            if (nowa.state() != engine::TableState::Browse) nowa.cancel();
        }
    } catch (...) {
        nowa.endBatch();
        throw;
    }
    nowa.endBatch();
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
                       .arg(table, year, QString::fromUtf8(e.what())));
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

}  // namespace

void updateStructure(StructureUpdateHost& host) {
    platform::Prompter& prompter = host.prompter();
    Table& nowa = host.TNOWA();
    Table& stara = host.TSTARA();
    engine::Session& session = nowa.session();

    prompter.inform(QStringLiteral("Aktualizacja struktury danych. Może to potrwać kilka minut."));

    const QString root = host.SciezkaDanych();
    const QString source = root + host.RokRoboczy() + QStringLiteral("\\KADRY\\");
    const QString target = root + QStringLiteral("BAZA\\KADRY\\");
    const QString staging = root + QString::fromLatin1(kStagingFolder);
    try {
        for (const QString& folder : {root + QStringLiteral("BAZA"),
                                      root + QStringLiteral("BAZA\\KADRY"), staging})
            session.env().createDir(folderPath(session, folder));
    } catch (const EngineError& e) {
        // Without the folders no table can be created; each is reported as such below.
        reportEngineError(prompter, e);
    }

    auto resetBar = [&] {
        if (ProgressBar* bar = host.budowa()) {
            bar->setPosition(0);
            bar->setMaximum(100);
        }
    };
    // Undoes the update: the staged tables go, BAZA\KADRY gets nothing.
    auto abandon = [&](const std::vector<const TableLayout*>& staged) {
        closeScratch(host);
        for (const TableLayout* layout : staged) {
            try {
                session.deleteTable(enginePath(tableFile(staging, layout->name)));
            } catch (const EngineError&) {
            }
        }
        session.env().removeDir(folderPath(session, staging));
        resetBar();
    };

    std::vector<const TableLayout*> filled;
    for (const TableLayout* layout : employeeTableLayouts()) {
        closeScratch(host);
        const std::string finalPath = enginePath(tableFile(target, layout->name));
        const std::string stagedPath = enginePath(tableFile(staging, layout->name));
        try {
            // A table already in BAZA\KADRY is somebody's data: it is never replaced.
            if (session.tableExists(finalPath))
                engine::fail(engine::ErrorCode::AlreadyExists, finalPath);
            // Left over by an update that did not finish; its source is still in the year
            // folder, so it is built again from there.
            if (session.tableExists(stagedPath)) session.deleteTable(stagedPath);
            session.createTable(stagedPath, layout->def);
            nowa.open(stagedPath);
        } catch (const EngineError&) {
            closeScratch(host);
            reportCannotCreate(prompter);
            continue;
        }
        filled.push_back(layout);
        const QString oldName = tableFile(source, layout->name);
        bool opened = false;
        try {
            opened = openOld(stara, enginePath(oldName));
        } catch (const EngineError& e) {
            reportUnreadable(prompter, oldName, host.RokRoboczy(), e);
            abandon(filled);
            return;
        }
        try {
            if (opened) copyRecords(host, stara, nowa);
        } catch (const EngineError& e) {
            // Records that cannot be read: what was read so far is kept, the rest stays in
            // the year folder, which the update never changes.
            reportEngineError(prompter, e);
        }
        closeScratch(host);
    }

    // The payers table leaves the year folder as it is. Where the folder cannot be changed
    // (read-only media, another owner) it is copied instead, files unchanged.
    closeScratch(host);
    const QString oldPayersName = source + QStringLiteral("ZLEC.DB");
    const std::string oldPayers = enginePath(oldPayersName);
    const std::string newPayers = enginePath(target + QStringLiteral("ZLEC.DB"));
    bool payersThere = false;
    try {
        payersThere = openOld(stara, oldPayers);
        stara.close();
    } catch (const EngineError& e) {
        reportUnreadable(prompter, oldPayersName, host.RokRoboczy(), e);
        abandon(filled);
        return;
    }
    if (payersThere && !session.tableExists(newPayers)) {
        try {
            try {
                session.renameTable(oldPayers, newPayers);
            } catch (const EngineError&) {
                session.copyTable(oldPayers, newPayers);
            }
        } catch (const EngineError& e) {
            // Left where it was; the payers table is then reported missing when opened.
            reportEngineError(prompter, e);
        }
    }

    // The employee table last: its presence is what tells later starts that the update is
    // done, so it must not appear before the others are in place.
    std::stable_partition(filled.begin(), filled.end(),
                          [](const TableLayout* l) { return l->name != "RP7"; });
    for (const TableLayout* layout : filled) {
        try {
            session.renameTable(enginePath(tableFile(staging, layout->name)),
                                enginePath(tableFile(target, layout->name)));
        } catch (const EngineError& e) {
            reportEngineError(prompter, e);
        }
    }
    session.env().removeDir(folderPath(session, staging));
    resetBar();
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
