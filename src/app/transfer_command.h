// lumiro --export TABLE FILE [--columns A;B;C] [--utf8] and lumiro --import TABLE FILE
// [--utf8 | --cp1250]: the import and export window's runs for scripts and payroll systems,
// with the same rules and messages (transfer/transfer_jobs.h). A question the window would
// ask stops an import: nothing is written and the question is the reason given.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "app/command_line.h"
#include "transfer/text_file_format.h"

namespace lumiro::app {

struct TransferCommandLine {
    bool exporting = false;
    QString table;  // "RP7", "ZAR", "ZAL", "ZAL2" or "ZAL3"
    QString file;   // as given
    // --columns: the file's columns in order, each a field name or FIELD=NAME; empty: every
    // field under its own name.
    QStringList columns;
    std::optional<transfer::TextEncoding> encoding;  // --utf8, --cp1250
    QStringList dataArguments;                       // "rok" and the year
};

// The tables the options name, in the order of the menu.
QStringList transferTables();

// `args`: the program name, then the arguments as Qt leaves them. Nullopt with the reason in
// `error` for a command line that cannot be understood.
std::optional<TransferCommandLine> parseTransferCommandLine(const QStringList& args,
                                                            QString& error);

// The whole run; returns the exit status.
int runTransferCommand(const CommandLine& command);

}  // namespace lumiro::app
