// The program's runs without a window, for scripts: lumiro --pdf (pdf_command.h), --export and
// --import (transfer_command.h). Each opens the program's data in the working folder as a start
// would, with message boxes answered here: information goes to stderr, anything that would
// stop and ask the user ends the run. Results go to stdout, reasons to stderr; the exit status
// is 0 on success, 1 when the data or a file fail (nothing is written then), 2 for a command
// line that cannot be understood.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/startup.h"
#include "platform/font_chooser.h"
#include "platform/prompter.h"
#include "platform/shell_open.h"

namespace lumiro::app {

// Text on stderr or stdout in the terminal's encoding, ending its line. `oneLine` makes the
// line breaks blanks (lumiro --pdf answers in one sentence); otherwise they are kept.
void sayOnStderr(const QString& text, bool oneLine = false);
void sayOnStdout(const QString& text);

// Message boxes of a run without a screen.
class HeadlessPrompter : public platform::Prompter {
  public:
    platform::MessageResult ask(platform::MessageIcon icon, const QString& text,
                                platform::MessageButtons buttons) override;
    // The first box that stopped the run, empty when none did.
    QString stop;
};

// The program's data opened in the working folder, no window shown.
class HeadlessData {
  public:
    // `home`: --home was given; `dataArguments`: "rok" and the year when given.
    HeadlessData(bool home, const QStringList& dataArguments);
    ~HeadlessData();
    // Null when the data did not open; `failure()` then says why.
    data::Tdane* dataModule() { return ok_ ? startup_->dataModule() : nullptr; }
    const QString& failure() const { return failure_; }
    HeadlessPrompter& prompter() { return prompter_; }

  private:
    HeadlessPrompter prompter_;
    platform::ScriptedFontChooser noFonts_{std::nullopt};
    platform::RecordingShellOpener shell_{false};
    std::unique_ptr<Startup> startup_;
    bool ok_ = false;
    QString failure_;
};

// The arguments after the program name as Qt leaves them, with --help, --version and --home
// taken out; the program name first.
QStringList headlessArguments();

// Runs what `command` asks for without a screen and returns the exit status; the application
// object is made here, on Qt's offscreen platform.
int runHeadless(int& argc, char** argv, const CommandLine& command);

}  // namespace lumiro::app
