#include "app/text_report_commands.h"

#include <QGuiApplication>
#include <QStringList>

#include <memory>

#include "app/information_window.h"
#include "app/progress_window.h"
#include "app/startup.h"
#include "platform/prompter.h"
#include "records/employee_index_window.h"
#include "textreports/gui/print_module_window.h"

namespace lumiro::app {
namespace {

textreports::TDRUK* printModule(Startup& startup) {
    return dynamic_cast<textreports::TDRUK*>(startup.window(LongLivedWindow::PrintModule));
}

// The module is made at start; only a failure there leaves the program without it.
textreports::TDRUK* printModuleOrSay(Startup& startup) {
    textreports::TDRUK* module = printModule(startup);
    if (!module)
        startup.services().prompter.error(
            QStringLiteral("Moduł wydruku nie jest dostępny: nie udało się go utworzyć przy "
                           "uruchomieniu programu."));
    return module;
}

std::unique_ptr<QWidget> createPrintModule(Startup& startup) {
    textreports::PrintModuleServices services;
    services.prompter = &startup.services().prompter;
    services.applicationTitle = startup.applicationTitle();
    services.companyLabel = [&startup] {
        data::Tdane* module = startup.dataModule();
        return module ? module->EtykietaFirmy : QString();
    };
    services.today = [&startup] { return startup.values().DataDzis; };
    services.progressStart = [&startup](const QString& title, int maximum) {
        if (TPRACA* progress = startup.progressWindow()) progress->Start(title, maximum);
    };
    services.progressStep = [&startup] {
        if (TPRACA* progress = startup.progressWindow()) progress->Postep();
    };
    services.progressStop = [&startup] {
        if (TPRACA* progress = startup.progressWindow()) progress->Stop();
    };
    // A run without a screen prints on no paper: it is not told that there is no printer.
    const QString platform = QGuiApplication::platformName();
    services.warnWithoutPrinter =
        platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
    return std::make_unique<textreports::TDRUK>(std::move(services));
}

}  // namespace

void addTextReports(Startup& startup) {
    startup.setWindowFactory(LongLivedWindow::PrintModule, createPrintModule);
}

void addTextReportCommands(records::TKadF& window, Startup& startup,
                           records::EmployeeIndexServices& services) {
    services.menuCommands[QStringLiteral("Parametry/Moduł wydruku")] = [&startup] {
        if (textreports::TDRUK* module = printModuleOrSay(startup)) module->openWindow();
    };
    auto openNote = std::move(services.openNote);
    if (!openNote) return;
    services.openNote = [&window, &startup, openNote](data::InformationNote note) {
        if (!window.findChild<TKadF1*>()) {
            auto* information = new TKadF1(&window);
            information->setPrintHandler([&startup](const QStringList& lines) {
                if (textreports::TDRUK* module = printModuleOrSay(startup))
                    module->printNote(lines);
            });
        }
        openNote(note);
    };
}

}  // namespace lumiro::app
