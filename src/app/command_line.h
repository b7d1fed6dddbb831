// The options the program reads before anything else: --help and --version answer on stdout
// without a display; --home chooses the home working folder (working_folder.h). The data module
// reads "rok YYYY" itself and lumiro --pdf has its own parser; both get the arguments with
// these options taken out.
#pragma once

#include <QString>
#include <QStringList>

namespace lumiro::app {

struct CommandLine {
    bool help = false;
    bool version = false;
    bool home = false;
    // The arguments without the program name and without the options above.
    QStringList rest;
};

// `arguments` without the program name.
CommandLine readCommandLine(const QStringList& arguments);

// The Polish usage text of lumiro --help, ending in a line break; `documents` are the names
// lumiro --pdf accepts.
QString helpText(const QStringList& documents);
// "lumiro VERSION", ending in a line break.
QString versionText();

}  // namespace lumiro::app
