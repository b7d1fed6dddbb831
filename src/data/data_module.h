// The data module: one session and every table of the program, opened once at start-up, with
// the routines that open a table robustly, save a record and keep the printout fonts.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/session.h"
#include "engine/table.h"
#include "platform/font_chooser.h"
#include "platform/process_values.h"
#include "platform/prompter.h"

namespace lumiro::data {

class ProgressBar;
class Tdane;

// Builds BAZA\KADRY with the current employee tables and carries over the data of an older
// release. Runs during creation when the employee table neither opens nor exists.
using StructureUpdate = std::function<void(Tdane&)>;

class Tdane : public QObject {
  public:
    // What the module takes from the running process; tests replace each part.
    struct Environment {
        // Holds FIRMA.DB, KAD.DB and the font file, and is the default data root. Empty: the
        // current folder at construction (the program is started in its working folder).
        QString programFolder;
        // The program's file name, which names the font file. Empty: the running executable.
        QString programFile;
        // Command-line parameters without the program name. Empty optional: the process's own.
        std::optional<QStringList> arguments;
        ProgressBar* budowa = nullptr;                 // the splash bar; may be absent
        platform::FontChooser* fontChooser = nullptr;  // absent: choosing changes nothing
        StructureUpdate Aktualizacja;  // absent: a missing employee table stays missing
        // Every table and file of the module; absent: this machine's file system.
        engine::Env* fileSystem = nullptr;
    };

    Tdane(platform::ProcessValues& values, platform::Prompter& prompter, Environment environment);
    ~Tdane() override;

    // Opens (or creates and carries over) every table in the fixed order, settles the data
    // root, the working year and Przerwij. Runs again after restore and index repair.
    void create();

    // Opens the table `name` (without ".DB") with recovery. A non-empty description registers
    // the table, reports a failure to open it and writes its structure file once.
    bool OtworzTabele(engine::Table& table, const QString& name, const QString& description);
    // Enters edit state unless the table is already editing or inserting.
    void Edytuj(engine::Table& table);
    // Posts a pending edit; a failure is reported as "Błąd zapisu", the edit cancelled and
    // false returned. Engine errors of the final flush reach the caller.
    bool ZapiszRekord(engine::Table& table);
    // Loads the font of `slot` from the font file, or with `choose` asks the user for one and
    // stores it there. On any failure the font is left as it was.
    platform::FontChoice& CzcionkaWydruku(int slot, platform::FontChoice& font, bool choose);

    // A table the upgrades leave in its older layout is named in a warning.
    void UzupelnijFirme(engine::Table& table);
    void UzupelnijParametry(engine::Table& table);
    void SprawdzRok();

    // What storing `root` as the data root (the company column DR; empty: the program folder)
    // would lead to at the next start: a folder that is not there, or one without the data
    // folder BAZA\KADRY while the root in use has it.
    enum class DataRootProblem { None, Missing, WithoutData };
    DataRootProblem dataRootProblem(const QString& root);

    // Table handlers, public so that the windows' grids see the same behaviour.
    bool WRP7FilterRecord(engine::Table& table) const;
    void TRP7AfterInsert(engine::Table& table);
    void TzarCalcFields(engine::Table& table);
    void ZzarStateChange(engine::Table& table);
    // The earnings rows one Rp-7 printout holds (30 with the information pages, else 60), as
    // the parameters record says now, and the warning for a card that has more.
    std::int64_t earningsRowLimit();
    static QString rowLimitMessage();

    // The filter of WRP7 rejects every record until the employee index window exists.
    void setEmployeeIndexWindowExists(std::function<bool()> exists) {
        employeeIndexWindowExists_ = std::move(exists);
    }

    QString fontFilePath() const;
    const QString& programFolder() const { return env_.programFolder; }
    platform::ProcessValues& values() { return values_; }
    platform::Prompter& prompter() { return prompter_; }
    ProgressBar* budowa() { return env_.budowa; }

    engine::Session SESJA;
    // The structure update's scratch tables live outside SESJA, on the same file system.
    engine::Session defaultSession;

    engine::Table TZlec{SESJA};
    engine::Table TRP7{SESJA};
    engine::Table WRP7{SESJA};
    engine::Table Tzar{SESJA};
    engine::Table TZal{SESJA};
    engine::Table Tzal2{SESJA};
    engine::Table TZal3{SESJA};
    engine::Table TFIRMA{SESJA};
    engine::Table TPARA{SESJA};
    engine::Table TSTARA{defaultSession};
    engine::Table TNOWA{defaultSession};

    // Slot 0: the number of registered tables as decimal text; slots 1..50: their names as
    // passed to OtworzTabele. Index repair walks them.
    static constexpr int kRegistrySlots = 51;
    std::array<QString, kRegistrySlots> RejestrTabel;
    // Year folders of the data root, ascending.
    QStringList ListaLat;
    // Employee numbers let through by WRP7.
    std::vector<std::int32_t> WybraneNR;
    // The company's short name.
    QString EtykietaFirmy;

  private:
    // One step of the start on one table (nullptr: none in particular). An engine error there
    // is shown in the engine's own words and the table is closed, so that the start goes on
    // and the windows come up: the user can still reach index repair and the archive.
    void startStep(engine::Table* table, const std::function<void()>& step);
    void registerTable(const QString& name);
    void reportUpgradeLeft(const QString& table, const QString& reason);
    bool openWithRecovery(engine::Table& table, const QString& name, const QString& description);
    void offerToClearReadOnly(engine::Table& table, const QString& name);
    void writeStructureFile(const engine::Table& table, const QString& name);
    void linkTables();
    // Whether the data root names a folder that is there (an empty root always is).
    bool dataRootExists();
    // Whether the program path names a folder that is there, found without regard to case.
    bool folderThere(const QString& path);
    // The tables of BAZA\KADRY beside the employee table that hold rows, or cannot be read
    // to tell ("ZAR.DB", ...).
    QStringList tablesHoldingRows();
    // The data-root prefix with its separator, for building table names.
    QString dataTable(const QString& relative) const;

    platform::ProcessValues& values_;
    platform::Prompter& prompter_;
    Environment env_;
    QStringList arguments_;
    std::function<bool()> employeeIndexWindowExists_;
};

}  // namespace lumiro::data
