#include "app/transfer_command.h"

#include <QFileInfo>

#include "app/headless.h"
#include "data/data_module.h"
#include "transfer/transfer_jobs.h"

namespace lumiro::app {
namespace {

engine::Table* tableNamed(data::Tdane& dane, const QString& name) {
    if (name == u"RP7") return &dane.TRP7;
    if (name == u"ZAR") return &dane.Tzar;
    if (name == u"ZAL") return &dane.TZal;
    if (name == u"ZAL2") return &dane.Tzal2;
    if (name == u"ZAL3") return &dane.TZal3;
    return nullptr;
}

// The --columns list as the table's fields; nullopt with the reason for a name it lacks.
std::optional<std::vector<transfer::ExportColumn>> exportColumns(const engine::Table& table,
                                                                 const QStringList& listed,
                                                                 QString& error) {
    if (listed.isEmpty()) return transfer::allColumns(table);
    std::vector<transfer::ExportColumn> columns;
    for (const QString& item : listed) {
        const qsizetype equals = item.indexOf(u'=');
        const QString field = (equals < 0 ? item : item.left(equals)).trimmed();
        const QString heading = equals < 0 ? field : item.mid(equals + 1);
        const int index = table.fieldIndex(field.toStdString());
        if (index < 0 || index >= table.storedFieldCount()) {
            error = QStringLiteral("Tabela %1 nie ma pola „%2”.")
                        .arg(transfer::tableName(table), field);
            return std::nullopt;
        }
        if (heading.trimmed().isEmpty()) {
            error = QStringLiteral("Kolumna pola %1 nie ma nazwy.").arg(field);
            return std::nullopt;
        }
        columns.push_back({index, heading});
    }
    return columns;
}

}  // namespace

QStringList transferTables() {
    return {QStringLiteral("RP7"), QStringLiteral("ZAL"), QStringLiteral("ZAL2"),
            QStringLiteral("ZAL3"), QStringLiteral("ZAR")};
}

std::optional<TransferCommandLine> parseTransferCommandLine(const QStringList& args,
                                                            QString& error) {
    TransferCommandLine line;
    qsizetype at = args.indexOf(QStringLiteral("--export"));
    line.exporting = at >= 0;
    if (!line.exporting) at = args.indexOf(QStringLiteral("--import"));
    if (at < 0 || at + 2 >= args.size() || args[at + 1].startsWith(u'-') ||
        args[at + 2].startsWith(QStringLiteral("--"))) {
        error = line.exporting ? QStringLiteral(
                                     "Po --export należy podać tabelę i plik, np. lumiro --export "
                                     "ZAR zarobki.txt.")
                               : QStringLiteral(
                                     "Po --import należy podać tabelę i plik, np. lumiro --import "
                                     "ZAR zarobki.txt.");
        return std::nullopt;
    }
    line.table = args[at + 1].toUpper();
    if (line.table.endsWith(QStringLiteral(".DB"))) line.table.chop(3);
    if (!transferTables().contains(line.table)) {
        error = QStringLiteral("Nieznana tabela „%1”; dostępne: %2.")
                    .arg(args[at + 1], transferTables().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    line.file = args[at + 2];
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i >= at && i <= at + 2) continue;
        const QString& a = args[i];
        if (a == u"--columns" && line.exporting) {
            if (i + 1 >= args.size() || args[i + 1].trimmed().isEmpty()) {
                error = QStringLiteral(
                    "Po --columns należy podać kolumny, np. --columns "
                    "\"ZLEC;NR;POLE1\".");
                return std::nullopt;
            }
            for (const QString& column : args[++i].split(u';'))
                if (!column.trimmed().isEmpty()) line.columns << column;
        } else if (a == u"--utf8" || (a == u"--cp1250" && !line.exporting)) {
            const auto encoding =
                a == u"--utf8" ? transfer::TextEncoding::Utf8 : transfer::TextEncoding::Cp1250;
            if (line.encoding && *line.encoding != encoding) {
                error = QStringLiteral("Opcje --utf8 i --cp1250 wykluczają się.");
                return std::nullopt;
            }
            line.encoding = encoding;
        } else if (a.toLower() == u"rok" && i + 1 < args.size()) {
            line.dataArguments = {a, args[++i]};
        } else {
            error = QStringLiteral("Nieznany argument „%1”.").arg(a);
            return std::nullopt;
        }
    }
    return line;
}

int runTransferCommand(const CommandLine& command) {
    QString error;
    auto line = parseTransferCommandLine(headlessArguments(), error);
    if (!line) {
        sayOnStderr(error + u'\n' + usageText());
        return 2;
    }
    // The file is named from where the command was given, not from the working folder.
    const QString file = QFileInfo(line->file).absoluteFilePath();
    HeadlessData data(command.home, line->dataArguments);
    data::Tdane* dane = data.dataModule();
    if (!dane) {
        sayOnStderr(data.failure());
        return 1;
    }
    engine::Table* table = tableNamed(*dane, line->table);
    if (!table || !table->isOpen()) {
        sayOnStderr(QStringLiteral("Tabela %1 nie jest otwarta.").arg(line->table));
        return 1;
    }
    if (line->exporting) {
        const auto columns = exportColumns(*table, line->columns, error);
        if (!columns) {
            sayOnStderr(error + u'\n' + usageText());
            return 2;
        }
        try {
            sayOnStdout(transfer::exportTable(
                *dane, *table, *columns, line->encoding.value_or(transfer::TextEncoding::Cp1250),
                file));
        } catch (const std::exception& failure) {
            sayOnStderr(QStringLiteral("Pliku „%1” nie zapisano: %2")
                            .arg(file, QString::fromUtf8(failure.what())));
            return 1;
        }
        return 0;
    }
    const transfer::ImportResult result =
        transfer::importTable(*dane, *table, file, line->encoding);
    switch (result.status) {
        case transfer::ImportResult::Status::Imported:
            sayOnStdout(result.message);
            if (!result.warnings.isEmpty()) sayOnStderr(result.warnings);
            return 0;
        case transfer::ImportResult::Status::Refused:
            sayOnStderr(result.message);
            return 1;
        case transfer::ImportResult::Status::Stopped:
            sayOnStderr(data.prompter().stop +
                        QStringLiteral("\nImport przerwany: bez odpowiedzi na to pytanie plik "
                                       "nie zostaje wczytany. Nic nie zostało zapisane."));
            return 1;
    }
    return 1;
}

}  // namespace lumiro::app
