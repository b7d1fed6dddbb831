#include <QApplication>
#include <QProgressBar>

#include <algorithm>
#include <cstdint>

#include "app/splash_window.h"
#include "app/startup.h"
#include "data/data_module.h"
#include "data/progress_bar.h"
#include "data/structure_update.h"
#include "platform/font_chooser.h"

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

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
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
    return startup.run();
}
