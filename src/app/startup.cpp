#include "app/startup.h"

#include "app/date_context.h"
#include "app/modal_window.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "app/welcome_window.h"

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>

#include "data/structure_update.h"

namespace lumiro::app {
namespace {

// The order in which the long-lived windows come into being, with the splash bar moving
// between them. New windows are slotted in here and nowhere else.
struct BuildStep {
    int advance;  // splash bar step, 0 for a window
    LongLivedWindow window;
};
constexpr BuildStep kBuildOrder[] = {
    {50, {}},
    {0, LongLivedWindow::Welcome},
    {0, LongLivedWindow::EmployeeIndex},
    {0, LongLivedWindow::AttachmentPrintout},
    {50, {}},
    {0, LongLivedWindow::PrintModule},
    {50, {}},
    {0, LongLivedWindow::Progress},
};

// Ends the event loop when the main window closes, whatever other windows stay open. The
// check waits until the close event has been handled, because the window may refuse it.
class QuitOnClose : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            QPointer<QWidget> window = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, this, [window] {
                if (window && !window->isVisible()) QCoreApplication::quit();
            });
        }
        return false;
    }
};

// The data module moves the splash bar without knowing the window.
class SplashProgress : public data::ProgressBar {
  public:
    explicit SplashProgress(Startup& startup) : startup_(startup) {}

    void setMaximum(int maximum) override {
        painted_ = -1;
        if (Tzero* splash = startup_.splash()) splash->budowa().setMaximum(maximum);
    }
    void setPosition(int position) override {
        Tzero* splash = startup_.splash();
        if (!splash) return;
        QProgressBar& bar = splash->budowa();
        bar.setValue(position);
        // The structure update counts hundreds of thousands of records: the bar is painted
        // only when its visible length changes.
        const int span = std::max(1, bar.maximum() - bar.minimum());
        const int percent = int(std::int64_t(position - bar.minimum()) * 100 / span);
        if (percent != painted_) {
            painted_ = percent;
            bar.repaint();
        }
    }
    void advance(int step) override {
        if (Tzero* splash = startup_.splash()) splash->advance(step);
    }

  private:
    Startup& startup_;
    int painted_ = -1;
};

// The parameters column L3 chooses the welcome screen's contact lines. It is read as the old
// engine read integers: an empty column counts as 0. A value beyond int is no known variant.
std::optional<int> contactVariantOf(data::Tdane* module) {
    if (!module || !module->TPARA.isOpen()) return std::nullopt;
    engine::Table& parameters = module->TPARA;
    try {
        const int l3 = parameters.fieldIndex("L3");
        if (l3 < 0 || parameters.isEmpty()) return std::nullopt;
        const auto value = parameters.asInteger(l3);
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            return -1;
        return static_cast<int>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QString describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("nieznany błąd");
    }
}

}  // namespace

Startup::Startup(Services services, DataModuleFactory createDataModule)
    : services_(services),
      createDataModule_(std::move(createDataModule)),
      eventLoop_([] { return QApplication::exec(); }),
      contactVariant_([this] { return contactVariantOf(dataModule()); }),
      splashProgress_(std::make_unique<SplashProgress>(*this)) {
    factories_[index(LongLivedWindow::Welcome)] = [](Startup& startup) {
        auto welcome = std::make_unique<TSTART>(startup.services().shell);
        welcome->setContactVariantSource(startup.contactVariant_);
        // The way in stays closed while no part of the program builds the employee index.
        if (startup.factories_[index(LongLivedWindow::EmployeeIndex)]) {
            welcome->setEmployeeIndexOpener([&startup] { startup.openEmployeeIndex(); });
        }
        return welcome;
    };
    factories_[index(LongLivedWindow::Progress)] = [](Startup&) {
        return std::make_unique<TPRACA>();
    };
}

Startup::~Startup() {
    splash_.reset();
    // Reverse order of creation: later windows may refer to earlier ones.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) it->reset();
}

void Startup::setWindowFactory(LongLivedWindow window, WindowFactory factory) {
    factories_[index(window)] = std::move(factory);
}

int Startup::run() {
    computeDateContext();
    showSplash();
    createDataModule();
    setApplicationIdentity();
    if (values_.Przerwij) {
        splash_.reset();
        return 1;
    }
    createWindows();
    return runEventLoop();
}

void Startup::computeDateContext() {
    app::computeDateContext(services_.clock, values_);
}

void Startup::showSplash() {
    splash_ = std::make_unique<Tzero>(Tzero::defaultPicture());
    splash_->budowa().setValue(0);
    splash_->showNow();
}

void Startup::createDataModule() {
    if (!createDataModule_) return;
    try {
        dataModule_ = createDataModule_(*this);
    } catch (...) {
        services_.prompter.error(QStringLiteral("Nie udało się otworzyć danych programu.\n%1")
                                     .arg(describe(std::current_exception())));
        values_.Przerwij = true;
    }
}

void Startup::setApplicationIdentity() {
    applicationTitle_ = QStringLiteral("Lumiro 7.0");
    helpFile_ = QStringLiteral("Lumiro.HLP");
    services_.prompter.setTitle(applicationTitle_);
}

void Startup::createWindows() {
    for (const BuildStep& step : kBuildOrder) {
        if (step.advance > 0) {
            advanceSplash(step.advance);
        } else {
            createWindow(step.window);
        }
    }
}

void Startup::createWindow(LongLivedWindow window) {
    const WindowFactory& factory = factories_[index(window)];
    if (!factory) return;
    try {
        windows_[index(window)] = factory(*this);
    } catch (...) {
        services_.prompter.error(QStringLiteral("Nie udało się utworzyć okna programu.\n%1")
                                     .arg(describe(std::current_exception())));
    }
}

void Startup::advanceSplash(int step) {
    if (splash_) splash_->advance(step);
}

TPRACA* Startup::progressWindow() {
    return dynamic_cast<TPRACA*>(window(LongLivedWindow::Progress));
}

bool Startup::openEmployeeIndex() {
    if (!window(LongLivedWindow::EmployeeIndex)) createWindow(LongLivedWindow::EmployeeIndex);
    QWidget* employeeIndex = window(LongLivedWindow::EmployeeIndex);
    if (!employeeIndex) return false;
    showModal(*employeeIndex);
    return true;
}

int Startup::runEventLoop() {
    splash_.reset();
    QWidget* main = mainWindow();
    if (!main) return 1;
    quitOnMainWindowClose_ = std::make_unique<QuitOnClose>();
    main->installEventFilter(quitOnMainWindowClose_.get());
    QApplication::setQuitOnLastWindowClosed(false);
    main->show();
    return eventLoop_();
}

std::unique_ptr<data::Tdane> openProgramData(Startup& startup, platform::FontChooser& fonts,
                                             std::optional<QStringList> arguments) {
    data::Tdane::Environment environment;
    environment.arguments = std::move(arguments);
    environment.budowa = &startup.splashProgress();
    environment.fontChooser = &fonts;
    environment.Aktualizacja = data::Aktualizacja;
    auto module = std::make_unique<data::Tdane>(startup.values(), startup.services().prompter,
                                                std::move(environment));
    module->create();
    return module;
}

void installPolishQtTexts(QCoreApplication& application) {
    auto* texts = new QTranslator(&application);
    if (texts->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(texts);
    else
        delete texts;
}

}  // namespace lumiro::app
