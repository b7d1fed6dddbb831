// The index window's "Narzędzia" → "Export " and "Import " items: each opens the import and
// export window on one employee table with that table's master link cut, so that the window
// works on every row, and restores the link when the window closes.
#pragma once

#include "transfer/transfer_window.h"

namespace lumiro::data {
class Tdane;
}
namespace lumiro::records {
class TKadF;
struct EmployeeIndexServices;
}  // namespace lumiro::records

namespace lumiro::app {

// Adds the ten commands to `services` under their menu paths ("Narzędzia/Export /RP7.DB" and
// so on). The window and the data module must outlive the commands; the import and export
// window is made on first use as a child of `window`. Empty dialogs: Qt's file dialogs.
void addTransferCommands(records::TKadF& window, data::Tdane& dane,
                         records::EmployeeIndexServices& services,
                         transfer::TransferDialogs dialogs = {});

}  // namespace lumiro::app
