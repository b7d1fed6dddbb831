// The maintenance commands of the employee index window's menu "Narzędzia" and the reminder
// to archive that runs when the window closes. The windows are made on first use and kept as
// children of the index window.
#pragma once

#include <functional>

namespace lumiro::data {
class Tdane;
}
namespace lumiro::records {
class TKadF;
struct EmployeeIndexServices;
}  // namespace lumiro::records

namespace lumiro::maintenance {

// `endProgram` ends the run when a restore left its moves to the next start; by default the
// application's event loops end and the index window closes.
void addMaintenanceCommands(records::TKadF& window, data::Tdane& dane,
                            records::EmployeeIndexServices& services,
                            std::function<void()> endProgram = {});

}  // namespace lumiro::maintenance
