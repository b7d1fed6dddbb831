// The program's start: date context, splash, data module, the long-lived windows in their
// fixed order, then the event loop. Each step is a public member so that tests can drive
// and inspect them; run() performs them all.
#pragma once

#include "data/data_module.h"
#include "data/progress_bar.h"
#include "platform/clock.h"
#include "platform/font_chooser.h"
#include "platform/process_values.h"
#include "platform/prompter.h"
#include "platform/shell_open.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCoreApplication;

namespace lumiro::app {

class Tzero;
class TPRACA;

// The windows created at start; every other window is created on first use.
enum class LongLivedWindow {
    Welcome,             // TSTART, the main window
    EmployeeIndex,       // TKadF, hidden until the welcome screen opens it
    AttachmentPrintout,  // Tdruk6
    PrintModule,         // TDRUK
    Progress,            // TPRACA
};

class Startup {
  public:
    struct Services {
        platform::Prompter& prompter;
        const platform::Clock& clock;
        platform::ShellOpener& shell;
    };
    // Opens every table; may drive the splash bar and sets SciezkaDanych, RokRoboczy and
    // Przerwij. The returned module lives until the program ends (openProgramData below is
    // the program's own).
    using DataModuleFactory = std::function<std::unique_ptr<data::Tdane>(Startup&)>;
    using WindowFactory = std::function<std::unique_ptr<QWidget>(Startup&)>;
    // Runs until the main window closes and returns the exit code.
    using EventLoop = std::function<int()>;

    Startup(Services services, DataModuleFactory createDataModule);
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // The welcome screen and the progress window have working defaults; a window without a
    // factory is not created.
    void setWindowFactory(LongLivedWindow window, WindowFactory factory);
    // QApplication::exec by default.
    void setEventLoop(EventLoop loop) { eventLoop_ = std::move(loop); }
    // Where the welcome screen reads its contact variant; by default the parameters column L3
    // of the data module. Set before run.
    void setContactVariantSource(std::function<std::optional<int>()> source) {
        contactVariant_ = std::move(source);
    }

    // Every step in order; returns the process exit code (1 when start-up was stopped).
    int run();

    void computeDateContext();
    void showSplash();
    void createDataModule();
    void setApplicationIdentity();
    // Never throws: a window that fails is reported and skipped, the others still come.
    void createWindows();
    // Destroys the splash, shows the main window and runs the event loop; without a main
    // window there is nothing to run and the program ends.
    int runEventLoop();

    platform::ProcessValues& values() { return values_; }
    const Services& services() const { return services_; }
    const QString& applicationTitle() const { return applicationTitle_; }
    const QString& helpFile() const { return helpFile_; }
    Tzero* splash() { return splash_.get(); }
    // The splash window's bar as the data layer moves it; once the splash is gone (a later
    // reopening of the tables) moving it changes nothing.
    data::ProgressBar& splashProgress() { return *splashProgress_; }
    data::Tdane* dataModule() { return dataModule_.get(); }
    QWidget* window(LongLivedWindow window) { return windows_[index(window)].get(); }
    QWidget* mainWindow() { return window(LongLivedWindow::Welcome); }
    TPRACA* progressWindow();
    // Shows the employee index window modally, creating it first when it does not exist
    // (its creation at start may have failed), and returns when it is closed. False when
    // there is no such window to show.
    bool openEmployeeIndex();

  private:
    static std::size_t index(LongLivedWindow window) { return static_cast<std::size_t>(window); }
    void createWindow(LongLivedWindow window);
    void advanceSplash(int step);

    static constexpr std::size_t kWindowCount = 5;

    Services services_;
    DataModuleFactory createDataModule_;
    EventLoop eventLoop_;
    std::function<std::optional<int>()> contactVariant_;
    platform::ProcessValues values_;
    QString applicationTitle_;
    QString helpFile_;
    std::unique_ptr<data::ProgressBar> splashProgress_;
    // Declared so that windows go before the data module they show and the splash first.
    std::unique_ptr<data::Tdane> dataModule_;
    std::array<WindowFactory, kWindowCount> factories_;
    std::array<std::unique_ptr<QWidget>, kWindowCount> windows_;
    std::unique_ptr<QObject> quitOnMainWindowClose_;
    std::unique_ptr<Tzero> splash_;
};

// The program's data module: every table opened (or created and carried over from an older
// release) while the splash bar moves, printout fonts chosen through `fonts`.
// `arguments` replaces the process's own parameters (a run that takes other options).
std::unique_ptr<data::Tdane> openProgramData(Startup& startup, platform::FontChooser& fonts,
                                             std::optional<QStringList> arguments = {});

// Qt's own texts (a field's context menu, the standard dialogs) in Polish when the
// translations are installed; the program's texts are Polish already.
void installPolishQtTexts(QCoreApplication& application);

}  // namespace lumiro::app
