#include "app/startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    lumiro::platform::QtPrompter prompter;
    lumiro::platform::DesktopShellOpener shell;
    // The data module joins here once the data layer exists; until then there is nothing to
    // open and start-up always goes on.
    lumiro::app::Startup startup({prompter, lumiro::platform::Clock::system(), shell},
                                 [](lumiro::app::Startup&) { return std::unique_ptr<QObject>(); });
    return startup.run();
}
