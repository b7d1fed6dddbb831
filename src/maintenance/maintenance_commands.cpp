#include "maintenance/maintenance_commands.h"

#include <QCoreApplication>

#include "maintenance/archive_window.h"
#include "maintenance/index_repair_window.h"
#include "records/employee_index_window.h"

namespace lumiro::maintenance {

void addMaintenanceCommands(records::TKadF& window, data::Tdane& dane,
                            records::EmployeeIndexServices& services,
                            std::function<void()> endProgram) {
    // After the session was closed and opened again the window shows the tables anew.
    auto afterReopen = [&window] { window.FormCreate(); };
    ArchiveServices archive;
    archive.progressStart = services.progressStart;
    archive.progressStep = services.progressStep;
    archive.progressStop = services.progressStop;
    archive.afterReopen = afterReopen;
    // A restore left to the next start ends the run: the index window goes with its tables.
    archive.endProgram = endProgram ? std::move(endProgram) : [&window] {
        QCoreApplication::exit(1);
        window.close();
    };
    auto archiveWindow = [&window, &dane, archive] {
        auto* found = window.findChild<TARCHF*>();
        return found ? found : new TARCHF(dane, archive, &window);
    };
    services.menuCommands[QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie")] =
        [archiveWindow] { archiveWindow()->openModal(); };
    services.archiveReminder = [archiveWindow] { archiveWindow()->SPRAWDZ(); };
    services.menuCommands[QStringLiteral("Narzędzia/Odtwarzanie indeksów")] = [&window, &dane,
                                                                               afterReopen] {
        auto* repair = window.findChild<TAWARIAF*>();
        if (!repair) repair = new TAWARIAF(dane, afterReopen, &window);
        repair->openModal();
    };
}

}  // namespace lumiro::maintenance
