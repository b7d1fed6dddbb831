#include "app/startup.h"

#include "app/date_context.h"
#include "app/modal_window.h"
#include "app/progress_window.h"
#include "app/splash_window.h"
#include "app/welcome_window.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include <exception>

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
      eventLoop_([] { return QApplication::exec(); }) {
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

}  // namespace lumiro::app
