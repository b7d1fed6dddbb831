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

// The data module's structure update hook. Runs once, when BAZA\KADRY\RP7.DB does not exist. The
// tables are built and filled in a staging folder and moved into BAZA\KADRY only when filled, the
// employee table last, so that an interrupted update is simply run again at the next start. Tables
// of the year folder are only read, except the payers table ZLEC, which is moved with all its
// files.
void Aktualizacja(Tdane& dane);
// The same with every collaborator supplied by the caller.
void updateStructure(StructureUpdateHost& host);

// Folder, under the data root, in which the new tables are filled before they are moved.
inline constexpr const char* kStagingFolder = "BAZA\\AKTUALIZACJA\\";

}  // namespace lumiro::data
