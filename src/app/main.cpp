// The program: the platform's on-screen services, start-up, and the employee index window
// wired to the windows it opens elsewhere in the program.
#include <QApplication>

#include "app/about_window.h"
#include "app/information_window.h"
#include "app/local_documents.h"
#include "app/progress_window.h"
#include "app/startup.h"
#include "platform/gui/desktop_shell_opener.h"
#include "platform/gui/qt_font_chooser.h"
#include "platform/gui/qt_prompter.h"
#include "records/employee_index_window.h"

namespace {

using lumiro::app::Startup;

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
    // The reminder to archive joins here when the archive window exists.
    services.archiveReminder = {};
    owner->setServices(std::move(services));
    return window;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    lumiro::app::installPolishQtTexts(application);
    lumiro::platform::QtPrompter prompter;
    lumiro::platform::DesktopShellOpener shell;
    lumiro::platform::QtFontChooser fontChooser;
    Startup startup({prompter, lumiro::platform::Clock::system(), shell},
                    [&](Startup& s) { return lumiro::app::openProgramData(s, fontChooser); });
    startup.setWindowFactory(lumiro::app::LongLivedWindow::EmployeeIndex, createEmployeeIndex);
    return startup.run();
}
