#include "app/pdf_command.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/headless.h"

namespace lumiro::app {

std::optional<PdfCommandLine> parsePdfCommandLine(const QStringList& args, QString& error) {
    PdfCommandLine line;
    const qsizetype at = args.indexOf(QStringLiteral("--pdf"));
    if (at + 2 >= args.size()) {
        error = QStringLiteral(
            "Użycie: lumiro --pdf DOKUMENT PLIK.pdf|FOLDER [--each] [--payer N] "
            "[--employee M]... [--list-number TEKST] [--list-year TEKST] [--list-date TEKST] "
            "[rok RRRR].");
        return std::nullopt;
    }
    line.request.document = args[at + 1].toLower();
    line.request.file = args[at + 2];
    const auto documents = printouts::pdfDocuments();
    if (std::find(documents.begin(), documents.end(), line.request.document) == documents.end()) {
        QStringList names(documents.begin(), documents.end());
        error = QStringLiteral("Nieznany dokument „%1”; dostępne: %2.")
                    .arg(args[at + 1], names.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    auto number = [&](qsizetype i, const QString& option) -> std::optional<qint64> {
        bool ok = false;
        const qint64 value = i < args.size() ? args[i].toLongLong(&ok) : 0;
        if (!ok || value <= 0) {
            error = QStringLiteral("Po %1 należy podać numer.").arg(option);
            return std::nullopt;
        }
        return value;
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i >= at && i <= at + 2) continue;
        const QString& a = args[i];
        if (a == u"--payer") {
            auto n = number(++i, a);
            if (!n) return std::nullopt;
            line.request.payer = *n;
        } else if (a == u"--employee") {
            auto n = number(++i, a);
            if (!n) return std::nullopt;
            line.request.employees.push_back(*n);
        } else if ((a == u"--list-number" || a == u"--list-year" || a == u"--list-date") &&
                   i + 1 < args.size()) {
            const QString value = args[++i];
            if (a == u"--list-number")
                line.request.listNumber = value;
            else if (a == u"--list-year")
                line.request.listYear = value;
            else
                line.request.listDate = value;
        } else if (a == u"--each") {
            line.request.each = true;
        } else if (a.toLower() == u"rok" && i + 1 < args.size()) {
            line.dataArguments = {a, args[++i]};
        } else {
            error = QStringLiteral("Nieznany argument „%1”.").arg(a);
            return std::nullopt;
        }
    }
    if (line.request.each && line.request.document == u"wykaz") {
        error = QStringLiteral(
            "Wykaz ubezpieczonych jest jednym dokumentem; --each dotyczy "
            "dokumentów pracowników.");
        return std::nullopt;
    }
    return line;
}

int runPdfCommand(const CommandLine& command) {
    QString error;
    auto line = parsePdfCommandLine(headlessArguments(), error);
    if (!line) {
        sayOnStderr(error, true);
        return 2;
    }
    // The file is named from where the command was given, not from the working folder.
    line->request.file = QFileInfo(line->request.file).absoluteFilePath();
    HeadlessData data(command.home, line->dataArguments);
    if (!data.dataModule()) {
        sayOnStderr(data.failure(), true);
        return 1;
    }
    std::vector<QString> written;
    const bool ok = printouts::exportPdf(
        *data.dataModule(), line->request, error,
        [](const QString& note) { sayOnStderr(note, true); }, &written);
    // With --each, the files written, one path a line.
    if (line->request.each)
        for (const QString& file : written)
            std::fprintf(stdout, "%s\n", QDir::toNativeSeparators(file).toLocal8Bit().constData());
    if (!ok) {
        sayOnStderr(error, true);
        return 1;
    }
    return 0;
}

}  // namespace lumiro::app
