// The options the program reads before anything else: --help and --version answer on stdout
// without a display; --home chooses the home working folder (working_folder.h); --pdf,
// --export and --import ask for a run without windows (headless.h), each with a parser of its
// own. The data module reads "rok YYYY" itself. Everything else is refused before any window
// or display is touched.
#pragma once

#include <QString>
#include <QStringList>

namespace lumiro::app {

// The runs that need no window.
enum class HeadlessRun { None, Pdf, Export, Import };

struct CommandLine {
    bool help = false;
    bool version = false;
    bool home = false;
    HeadlessRun headless = HeadlessRun::None;
    // The arguments without the program name and without --help, --version and --home.
    QStringList rest;
    // Set when the arguments cannot be understood (exit status 2): one Polish sentence.
    QString error;
};

// `arguments` without the program name. Without a headless run, the rest may hold only
// "rok YYYY" and the options Qt itself takes (-platform NAME and the like).
CommandLine readCommandLine(const QStringList& arguments);

// The Polish usage text of lumiro --help, ending in a line break; `documents` are the names
// lumiro --pdf accepts.
QString helpText(const QStringList& documents);
// The usage lines alone, for a message about a wrong command line.
QString usageText();
// "lumiro VERSION", ending in a line break.
QString versionText();

}  // namespace lumiro::app
