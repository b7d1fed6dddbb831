// Carries the employee data of an older release, kept in one folder per year
// (<data root><year>\KADRY\*.DB), into the single folder BAZA\KADRY of the current layout.
// It also serves a fresh installation: without a year folder it only creates empty tables.
#pragma once

#include <QString>

namespace lumiro::engine {
class Table;
}
namespace lumiro::platform {
class Prompter;
}

namespace lumiro::data {

class ProgressBar;
class Tdane;

// What the update takes from the data module that runs it. The two scratch tables belong
// to the engine's default session; the update leaves them closed.
class StructureUpdateHost {
  public:
    virtual ~StructureUpdateHost() = default;
    virtual engine::Table& TSTARA() = 0;
    virtual engine::Table& TNOWA() = 0;
    virtual platform::Prompter& prompter() = 0;
    // The splash bar, counting copied records; may be absent.
    virtual ProgressBar* budowa() = 0;
    // Data root: empty (the working folder) or ending in a separator.
    virtual QString SciezkaDanych() const = 0;
    // Year whose folder holds the older data, already settled by the year check.
    virtual QString RokRoboczy() const = 0;
    // Posts the record, reports a failure to the user and cancels the edit.
    virtual void ZapiszRekord(engine::Table& table) = 0;
};

// The data module's structure update hook. Runs once, when BAZA\KADRY\RP7.DB does not exist.
// All or nothing: every table is built and filled completely in a staging folder (the payers
// table ZLEC copied there as it is), and only then do they all move into BAZA\KADRY together,
// the employee table last. A table that cannot be created, a record that cannot be read or
// written and a failed move stop the update with a message naming the table: BAZA\KADRY gets
// nothing and the year folder stays as it was, so the next start tries again. Tables already
// in BAZA\KADRY are kept. Once everything is in place the payers table leaves the year folder
// (where it can); the other tables of the year folder are only read.
void Aktualizacja(Tdane& dane);
// The same with every collaborator supplied by the caller.
void updateStructure(StructureUpdateHost& host);
// At start, before the employee table is looked for: completes the move of the new tables into
// BAZA\KADRY that a crash cut short (the moves are recorded before the first one).
void completeStructureUpdate(Tdane& dane);

// Folder, under the data root, in which the new tables are filled before they are moved, and
// the record of the moves in it.
inline constexpr const char* kStagingFolder = "BAZA\\AKTUALIZACJA\\";
inline constexpr const char* kInstallPlanName = "INSTALACJA.PLN";

}  // namespace lumiro::data
