#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProgressBar>
#include <QTranslator>

#include <algorithm>
#include <cstdint>

#include "app/about_window.h"
#include "app/information_window.h"
#include "app/local_documents.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "app/startup.h"
#include "data/data_module.h"
#include "data/progress_bar.h"
#include "data/structure_update.h"
#include "platform/gui/desktop_shell_opener.h"
#include "platform/gui/qt_font_chooser.h"
#include "platform/gui/qt_prompter.h"
#include "records/employee_index_window.h"

#include <limits>
#include <optional>

namespace {

// The data module moves the splash bar without knowing the window; once the splash is gone
// (a later reopening of the tables) the bar is simply not there.
class SplashBar : public lumiro::data::ProgressBar {
  public:
    lumiro::app::Startup* startup = nullptr;

    void setMaximum(int maximum) override {
        painted_ = -1;
        if (auto* splash = current()) splash->budowa().setMaximum(maximum);
    }
    void setPosition(int position) override {
        if (auto* splash = current()) {
            QProgressBar& bar = splash->budowa();
            bar.setValue(position);
            // The update counts hundreds of thousands of records: paint only when the
            // visible length of the bar changes.
            const int span = std::max(1, bar.maximum() - bar.minimum());
            const int percent = int(std::int64_t(position - bar.minimum()) * 100 / span);
            if (percent != painted_) {
                painted_ = percent;
                bar.repaint();
            }
        }
    }
    void advance(int step) override {
        if (auto* splash = current()) splash->advance(step);
    }

  private:
    int painted_ = -1;
    lumiro::app::Tzero* current() { return startup ? startup->splash() : nullptr; }
};

// The parameters column L3 chooses the welcome screen's contact lines. It is read as the old
// engine read integers: an empty column counts as 0. A value beyond int is no known variant.
std::optional<int> contactVariant(lumiro::app::Startup& startup) {
    auto* module = dynamic_cast<lumiro::data::Tdane*>(startup.dataModule());
    if (!module || !module->TPARA.isOpen()) return std::nullopt;
    try {
        const int l3 = module->TPARA.fieldIndex("L3");
        if (l3 < 0 || module->TPARA.isEmpty()) return std::nullopt;
        const auto value = module->TPARA.asInteger(l3);
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
            return -1;
        }
        return static_cast<int>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The employee index window with what it opens from the rest of the program. The
// information and About windows are made on first use and kept as its children.
std::unique_ptr<QWidget> createEmployeeIndex(lumiro::app::Startup& startup) {
    auto* module = dynamic_cast<lumiro::data::Tdane*>(startup.dataModule());
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
    // Qt's own texts (the context menu of a field, standard dialogs) in Polish, when the
    // translations are installed; the program's texts are Polish already.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    lumiro::platform::QtPrompter prompter;
    lumiro::platform::DesktopShellOpener shell;
    lumiro::platform::QtFontChooser fontChooser;
    SplashBar splashBar;
    lumiro::app::Startup startup({prompter, lumiro::platform::Clock::system(), shell},
                                 [&](lumiro::app::Startup& s) -> std::unique_ptr<QObject> {
                                     splashBar.startup = &s;
                                     lumiro::data::Tdane::Environment environment;
                                     environment.budowa = &splashBar;
                                     environment.fontChooser = &fontChooser;
                                     environment.Aktualizacja = lumiro::data::Aktualizacja;
                                     auto module = std::make_unique<lumiro::data::Tdane>(
                                         s.values(), s.services().prompter, std::move(environment));
                                     module->create();
                                     return module;
                                 });
    startup.setContactVariantSource([&startup] { return contactVariant(startup); });
    startup.setWindowFactory(lumiro::app::LongLivedWindow::EmployeeIndex, createEmployeeIndex);
    return startup.run();
}
