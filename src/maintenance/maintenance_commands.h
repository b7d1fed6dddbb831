// The maintenance commands of the employee index window's menu "Narzędzia" and the reminder
// to archive that runs when the window closes. The windows are made on first use and kept as
// children of the index window.
#pragma once

namespace lumiro::data {
class Tdane;
}
namespace lumiro::records {
class TKadF;
struct EmployeeIndexServices;
}  // namespace lumiro::records

namespace lumiro::maintenance {

void addMaintenanceCommands(records::TKadF& window, data::Tdane& dane,
                            records::EmployeeIndexServices& services);

}  // namespace lumiro::maintenance
