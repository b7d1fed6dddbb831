// The program: the platform's on-screen services, start-up, and the employee index window
// wired to the windows and commands it opens elsewhere in the program. With --pdf, --export or
// --import it does that work instead, without showing any window (headless.h).
#include <QApplication>

#include <cstdio>
#include <memory>

#include "app/about_window.h"
#include "app/command_line.h"
#include "app/desktop_identity.h"
#include "app/headless.h"
#include "app/information_window.h"
#include "app/local_documents.h"
#include "app/progress_window.h"
#include "app/startup.h"
#include "app/text_report_commands.h"
#include "app/transfer_commands.h"
#include "app/working_folder.h"
#include "components/data_grid.h"
#include "maintenance/maintenance_commands.h"
#include "platform/gui/desktop_shell_opener.h"
#include "platform/gui/qt_font_chooser.h"
#include "platform/gui/qt_prompter.h"
#include "printouts/list_parameters_window.h"
#include "printouts/pdf_export.h"
#include "printouts/preview_window.h"
#include "printouts/print_commands.h"
#include "printouts/print_parameters_window.h"
#include "printouts/report_form.h"
#include "records/employee_index_window.h"

namespace {

using lumiro::app::Startup;
namespace printouts = lumiro::printouts;

// What the index window's print commands keep for as long as the window lives.
class WindowPrintouts : public QObject {
  public:
    using QObject::QObject;
    printouts::CurrentPrinterTarget printer;
    std::unique_ptr<printouts::PrintCommands> commands;
    printouts::TKAdF6* parameters = nullptr;
    printouts::TKADF7* listDialog = nullptr;
};

void addPrintCommands(lumiro::records::TKadF& window, lumiro::data::Tdane& dane, Startup& startup,
                      lumiro::records::EmployeeIndexServices& services) {
    auto* kept = new WindowPrintouts(&window);
    lumiro::platform::Prompter& prompter = startup.services().prompter;
    printouts::PrintServices print;
    print.dane = &dane;
    print.prompter = &prompter;
    print.target = &kept->printer;
    print.markedRows = [&window] { return window.XDBGrid1().markedRows(); };
    print.markCurrentRow = [&window] { window.XDBGrid1().markCurrentRow(); };
    print.preview = [&window, kept, &prompter](printouts::ReportForm& form,
                                               const printouts::DocumentLabel& label) {
        printouts::PreviewWindow preview(
            [&form] { return form.generate(); }, kept->printer, prompter,
            {form.documentName(), label.fileName, label.title, label.author}, &window);
        preview.run();
    };
    print.progressStart = [&startup](const QString& title, int maximum) {
        if (auto* progress = startup.progressWindow()) progress->Start(title, maximum);
    };
    print.progressStep = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Postep();
    };
    print.progressStop = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Stop();
    };
    print.openParameters = [&window, &dane, kept] {
        if (!kept->parameters) kept->parameters = new printouts::TKAdF6(dane, &window);
        kept->parameters->openModal();
    };
    print.askListHeading = [&window, &dane, kept](int listed) {
        if (!kept->listDialog) kept->listDialog = new printouts::TKADF7(dane.values(), &window);
        return kept->listDialog->ask(listed);
    };
    kept->commands = std::make_unique<printouts::PrintCommands>(print);
    for (auto& [path, command] : kept->commands->menuCommands())
        services.menuCommands[path] = command;
}

// The information and About windows are made on first use and kept as its children.
std::unique_ptr<QWidget> createEmployeeIndex(Startup& startup) {
    lumiro::data::Tdane* module = startup.dataModule();
    if (!module) return nullptr;
    lumiro::records::EmployeeIndexServices services;
    services.applicationTitle = startup.applicationTitle();
    auto window = std::make_unique<lumiro::records::TKadF>(*module, services);
    lumiro::records::TKadF* owner = window.get();
    services.openNote = [owner](lumiro::data::InformationNote note) {
        auto* information = owner->findChild<lumiro::app::TKadF1*>();
        if (!information) information = new lumiro::app::TKadF1(owner);
        information->openNote(note);
    };
    services.openAbout = [owner, &startup] {
        auto* about = owner->findChild<lumiro::app::TKadF3*>();
        if (!about) about = new lumiro::app::TKadF3(startup.services().shell, owner);
        about->openModal();
    };
    services.openHelp = [&startup](int context) {
        lumiro::app::openHelp(startup.services().shell, startup.services().prompter, context);
    };
    services.progressStart = [&startup](const QString& title, int maximum) {
        if (auto* progress = startup.progressWindow()) progress->Start(title, maximum);
    };
    services.progressStep = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Postep();
    };
    services.progressStop = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Stop();
    };
    addPrintCommands(*owner, *module, startup, services);
    lumiro::maintenance::addMaintenanceCommands(*owner, *module, services);
    lumiro::app::addTextReportCommands(*owner, startup, services);
    lumiro::app::addTransferCommands(*owner, *module, services);
    owner->setServices(std::move(services));
    return window;
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
    const lumiro::app::CommandLine command = lumiro::app::readCommandLine(arguments);
    if (command.help || command.version) {
        const auto documents = printouts::pdfDocuments();
        const QString text =
            command.help ? lumiro::app::helpText(QStringList(documents.begin(), documents.end()))
                         : lumiro::app::versionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Refused before the application object exists: no window, and no display needed.
    if (!command.error.isEmpty()) {
        lumiro::app::sayOnStderr(command.error + u'\n' + lumiro::app::usageText());
        return 2;
    }
    if (command.headless != lumiro::app::HeadlessRun::None)
        return lumiro::app::runHeadless(argc, argv, command);
    QApplication application(argc, argv);
    lumiro::app::setDesktopIdentity();
    lumiro::app::installPolishQtTexts(application);
    lumiro::platform::QtPrompter prompter;
    if (const QString stop = lumiro::app::enterWorkingFolder(command.home); !stop.isEmpty()) {
        prompter.error(stop);
        return 1;
    }
    // Qt has taken its own options out of the arguments by now.
    const QStringList dataArguments =
        lumiro::app::readCommandLine(QApplication::arguments().mid(1)).rest;
    lumiro::platform::DesktopShellOpener shell;
    lumiro::platform::QtFontChooser fontChooser;
    Startup startup({prompter, lumiro::platform::Clock::system(), shell}, [&](Startup& s) {
        return lumiro::app::openProgramData(s, fontChooser, dataArguments);
    });
    startup.setWindowFactory(lumiro::app::LongLivedWindow::EmployeeIndex, createEmployeeIndex);
    lumiro::app::addTextReports(startup);
    return startup.run();
}
