// lumiro --pdf DOCUMENT FILE.pdf: a document's pages as one PDF file, made without a window
// (printouts/pdf_export.h does the work).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "app/command_line.h"
#include "printouts/pdf_export.h"

namespace lumiro::app {

struct PdfCommandLine {
    printouts::PdfRequest request;
    QStringList dataArguments;  // "rok" and the year, for the data module
};

// `args`: the program name, then the arguments as Qt leaves them. Nullopt with the reason in
// `error` for a command line that cannot be understood.
std::optional<PdfCommandLine> parsePdfCommandLine(const QStringList& args, QString& error);

// The whole run; returns the exit status.
int runPdfCommand(const CommandLine& command);

}  // namespace lumiro::app
