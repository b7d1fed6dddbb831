#include "app/transfer_commands.h"

#include <vector>

#include "components/data_source.h"
#include "data/data_module.h"
#include "data/employee_cards.h"
#include "records/employee_index_window.h"

namespace lumiro::app {
namespace {

using engine::Table;
using transfer::TransferDirection;

void runTransfer(records::TKadF& window, data::Tdane& dane, Table& table,
                 TransferDirection direction, const transfer::TransferDialogs& dialogs) {
    platform::Prompter& prompter = dane.prompter();
    if (!table.isOpen()) {
        prompter.error(QStringLiteral("Tabela %1 nie jest otwarta.")
                           .arg(QString::fromStdString(engine::baseName(table.path()))));
        return;
    }
    // Typed data is stored first, as "Zapisz dane" would: cutting the link moves the tables.
    for (Table* t : {&dane.TZlec, &dane.TRP7, &dane.Tzar, &dane.TZal, &dane.Tzal2, &dane.TZal3})
        if (t->isOpen()) {
            try {
                dane.ZapiszRekord(*t);
            } catch (const std::exception& error) {
                prompter.error(QString::fromUtf8(error.what()));
            }
        }
    auto* transferWindow = window.findChild<transfer::TFexpimp*>();
    if (!transferWindow) transferWindow = new transfer::TFexpimp(dane, dialogs, &window);

    // The window's grids and pages on this table would follow every row of the run; they
    // wait and show the table once, as its link leaves it, when the run is over.
    std::vector<components::DataSource*> sources;
    for (auto* source : window.findChildren<components::DataSource*>())
        if (&source->table() == &table) {
            source->suspendControls();
            sources.push_back(source);
        }
    try {
        data::MasterLinkCut allRows(table);
        transferWindow->run(table, direction);
    } catch (const std::exception& error) {
        prompter.error(QString::fromUtf8(error.what()));
    }
    for (auto* source : sources) {
        source->resumeControls();
        source->refresh();
    }
    // An import may have added cards.
    window.showCount();
}

}  // namespace

void addTransferCommands(records::TKadF& window, data::Tdane& dane,
                         records::EmployeeIndexServices& services,
                         transfer::TransferDialogs dialogs) {
    struct Item {
        const char* caption;
        Table data::Tdane::*table;
    };
    static const Item items[] = {{"RP7.DB", &data::Tdane::TRP7},
                                 {"ZAL.DB", &data::Tdane::TZal},
                                 {"ZAL2.DB", &data::Tdane::Tzal2},
                                 {"ZAL3.DB", &data::Tdane::TZal3},
                                 {"ZAR.DB", &data::Tdane::Tzar}};
    for (const Item& item : items) {
        for (auto [submenu, direction] :
             {std::pair{QStringLiteral("Narzędzia/Export /"), TransferDirection::Export},
              std::pair{QStringLiteral("Narzędzia/Import /"), TransferDirection::Import}}) {
            services.menuCommands[submenu + QString::fromLatin1(item.caption)] =
                [&window, &dane, member = item.table, direction, dialogs] {
                    runTransfer(window, dane, dane.*member, direction, dialogs);
                };
        }
    }
}

}  // namespace lumiro::app
