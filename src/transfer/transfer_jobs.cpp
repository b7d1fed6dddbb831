#include "transfer/transfer_jobs.h"

#include <QStringList>

#include <algorithm>

#include "data/data_files.h"
#include "data/data_module.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "engine/session.h"

namespace lumiro::transfer {
namespace {

using engine::Table;

constexpr int kListed = 10;

// One progress scale for the three steps of an import: reading, planning, writing.
Progress stepOf(const Progress& progress, int from, int to) {
    if (!progress) return {};
    return [progress, from, to](std::int64_t done, std::int64_t total) {
        if (total > 0) progress(from + (to - from) * done / total, 1000);
    };
}

QString fileName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// The name the imported file takes: "z" before its name, or, when a file of that name is
// there already (perhaps the user's own), the first free "z<stem> (n)<extension>".
std::string importedName(engine::Env& env, const std::string& path) {
    const std::string folder = engine::dirName(path);
    const std::string name = engine::baseName(path);
    std::string candidate = engine::joinPath(folder, "z" + name);
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = stem.size() == name.size() ? std::string() : name.substr(dot);
    for (int n = 2; env.exists(candidate); ++n) {
        if (n > 9999)
            throw TransferError(QStringLiteral("W folderze nie ma wolnej nazwy dla pliku „z%1”.")
                                    .arg(QString::fromStdString(name)));
        candidate =
            engine::joinPath(folder, "z" + stem + " (" + std::to_string(n) + ")" + extension);
    }
    return candidate;
}

QString listed(const QStringList& lines, qsizetype total) {
    QString text = lines.join(u'\n');
    if (total > lines.size()) text += QStringLiteral("\ni %1 innych").arg(total - lines.size());
    return text;
}

// Lines whose card (or payer) is missing would belong to whichever card gets that number.
bool confirmMissingMasters(data::Tdane& dane, Table& table, const ImportRows& rows,
                           const ImportPlan& plan) {
    const bool cards = &table == &dane.TRP7;
    Table* master = cards ? &dane.TZlec : &dane.TRP7;
    std::vector<int> links =
        cards ? std::vector<int>{table.fieldIndex("ZLEC")}
              : std::vector<int>{table.fieldIndex("ZLEC"), table.fieldIndex("NR")};
    if (!master->isOpen() || std::find(links.begin(), links.end(), -1) != links.end()) return true;
    const auto missing = findMissingMasters(dane.SESJA, master->path(), links, rows, plan);
    if (missing.empty()) return true;
    QStringList lines;
    for (std::size_t i = 0; i < missing.size() && i < std::size_t(kListed); ++i)
        lines << QStringLiteral("wiersz %1: %2 %3")
                     .arg(missing[i].line)
                     .arg(cards ? QStringLiteral("płatnik") : QStringLiteral("płatnik, pracownik"),
                          keyText(missing[i].key));
    const QString question =
        (cards ? QStringLiteral(
                     "Wiersze pliku dotyczące płatników, których nie ma w danych (%1):\n"
                     "%2\nKarty te zostaną przypisane płatnikowi, który otrzyma ten numer.")
               : QStringLiteral("Wiersze pliku dotyczące kart pracowników, których nie ma w "
                                "kartotece (%1):\n%2\nWiersze te zostaną przypisane karcie, która "
                                "otrzyma ten numer."))
            .arg(missing.size())
            .arg(listed(lines, qsizetype(missing.size()))) +
        QStringLiteral("\nCzy mimo to wczytać plik?");
    return dane.prompter().confirm(question, platform::MessageIcon::Warning);
}

bool confirmSameYear(data::Tdane& dane, const ImportPlan& plan) {
    if (plan.sameYear.empty()) return true;
    QStringList lines;
    for (std::size_t i = 0; i < plan.sameYear.size() && i < std::size_t(kListed); ++i) {
        const SameYear& s = plan.sameYear[i];
        lines << QStringLiteral("wiersz %1: płatnik %2, pracownik %3, rok %4")
                     .arg(s.line)
                     .arg(s.payer)
                     .arg(s.number)
                     .arg(s.year);
    }
    return dane.prompter().confirm(
        QStringLiteral("Wiersze pliku, które dałyby karcie drugi wiersz zarobków z tego samego "
                       "roku (%1):\n%2\nRp-7 wykaże wtedy ten rok dwa razy. Czy mimo to wczytać "
                       "plik?")
            .arg(plan.sameYear.size())
            .arg(listed(lines, qsizetype(plan.sameYear.size()))),
        platform::MessageIcon::Warning);
}

QString rowLimitWarning(data::Tdane& dane, const ImportPlan& plan) {
    const std::int64_t limit = dane.earningsRowLimit();
    QStringList lines;
    qsizetype total = 0;
    for (const CardRows& card : plan.cards) {
        if (card.rows <= limit) continue;
        if (lines.size() < kListed)
            lines << QStringLiteral("płatnik %1, pracownik %2: %3 wierszy zarobków")
                         .arg(card.payer)
                         .arg(card.number)
                         .arg(card.rows);
        ++total;
    }
    if (total == 0) return {};
    return QStringLiteral(
               "Karty, których wiersze zarobków nie zmieszczą się na jednym wydruku Rp-7 "
               "(mieści %1 wierszy):\n%2\n%3")
        .arg(limit)
        .arg(listed(lines, total))
        .arg(data::Tdane::rowLimitMessage());
}

}  // namespace

QString tableName(const Table& table) {
    QString name = QString::fromStdString(engine::baseName(table.path())).toUpper();
    if (name.endsWith(QStringLiteral(".DB"))) name.chop(3);
    return name;
}

std::vector<ExportColumn> allColumns(const Table& table) {
    std::vector<ExportColumn> columns;
    for (int f = 0; f < table.storedFieldCount(); ++f)
        columns.push_back({f, QString::fromStdString(table.fields()[std::size_t(f)].name)});
    return columns;
}

QString exportTable(data::Tdane& dane, Table& table, const std::vector<ExportColumn>& columns,
                    TextEncoding encoding, const QString& file, const Progress& progress) {
    std::int64_t records = 0;
    const std::string text =
        exportText(dane.SESJA, table.path(), columns, encoding, &records, progress);
    writeUserFile(dane.SESJA.env(), data::enginePath(file), text);
    return QStringLiteral("Zapisano tabelę %1 do pliku „%2” (%3): wierszy %4.")
        .arg(tableName(table), file, encodingName(encoding))
        .arg(records);
}

ImportResult importTable(data::Tdane& dane, Table& table, const QString& file,
                         std::optional<TextEncoding> encoding, const Progress& progress) {
    ImportResult result;
    engine::Env& env = dane.SESJA.env();
    const std::string path = data::enginePath(file);
    ImportPlan plan;
    std::optional<ImportRows> rows;
    try {
        const auto bytes = data::readFile(env, path);
        if (!bytes) throw TransferError(QStringLiteral("Nie ma pliku „%1”.").arg(file));
        rows.emplace(readImportFile(
            std::string_view(bytes->constData(), std::size_t(bytes->size())), table.fields(),
            table.storedFieldCount(), table.keyFieldCount(), encoding, stepOf(progress, 0, 300)));
        if (rows->size() == 0)
            throw TransferError(QStringLiteral("Plik „%1” nie zawiera żadnego wiersza danych, "
                                               "tylko nagłówek. Nic nie zostało wczytane.")
                                    .arg(file));
        const int year = &table == &dane.Tzar ? table.fieldIndex("POLE1") : -1;
        plan = planImport(table, *rows, year, stepOf(progress, 300, 400));
    } catch (const TransferError& error) {
        result.message = error.message();
        return result;
    } catch (const std::exception& error) {
        result.message = QStringLiteral("Pliku „%1” nie można odczytać: %2")
                             .arg(file, QString::fromUtf8(error.what()));
        return result;
    }

    result.status = ImportResult::Status::Stopped;
    if (!confirmMissingMasters(dane, table, *rows, plan) || !confirmSameYear(dane, plan))
        return result;

    try {
        writeImport(dane.SESJA, table.path(), *rows, plan, stepOf(progress, 400, 1000));
    } catch (const std::exception& error) {
        result.status = ImportResult::Status::Refused;
        result.message = QString::fromUtf8(error.what());
        return result;
    }
    result.status = ImportResult::Status::Imported;
    result.added = plan.added;
    result.updated = plan.updated;
    result.present = plan.present;
    result.message = QStringLiteral(
                         "Wczytano plik „%1” do tabeli %2.\nDodane wiersze: %3, zmienione: %4, "
                         "pominięte, bo są już w tabeli: %5.")
                         .arg(fileName(file), tableName(table))
                         .arg(plan.added)
                         .arg(plan.updated)
                         .arg(plan.present);

    QStringList warnings;
    if (&table == &dane.Tzar)
        if (QString limit = rowLimitWarning(dane, plan); !limit.isEmpty()) warnings << limit;
    // The file is done with: it stays in its folder with "z" in front of its name.
    try {
        const std::string renamed = importedName(env, path);
        env.rename(path, renamed);
        env.syncDir(engine::dirName(path));
        result.message += QStringLiteral("\nPlik nosi teraz nazwę „%1”.")
                              .arg(QString::fromStdString(engine::baseName(renamed)));
    } catch (const std::exception& error) {
        warnings << QStringLiteral(
                        "Plik „%1” został wczytany, ale nie udało się dodać „z” przed "
                        "jego nazwą: %2\nNie wczytuj go ponownie: jego wiersze są już "
                        "w tabeli.")
                        .arg(file, QString::fromUtf8(error.what()));
    }
    result.warnings = warnings.join(QStringLiteral("\n\n"));
    return result;
}

}  // namespace lumiro::transfer
