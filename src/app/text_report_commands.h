// The text printouts in the program: the print module made at start with its stored settings,
// its window in the index window's menu, and "Drukuj" of the information notes.
#pragma once

namespace lumiro::app {
class Startup;
}
namespace lumiro::records {
class TKadF;
struct EmployeeIndexServices;
}  // namespace lumiro::records

namespace lumiro::app {

// Makes the print module one of the windows created at start.
void addTextReports(Startup& startup);

// "Parametry/Moduł wydruku", and the information window printing its note through the print
// module. Call after services.openNote is set: the information window it opens is made here
// first, with its printing, and found there.
void addTextReportCommands(records::TKadF& window, Startup& startup,
                           records::EmployeeIndexServices& services);

}  // namespace lumiro::app
