#include "transfer/table_transfer.h"

#include <algorithm>
#include <map>

#include "data/table_text.h"
#include "engine/error.h"
#include "engine/session.h"

namespace lumiro::transfer {
namespace {

using engine::Table;
using engine::TableState;
using engine::Value;

bool editing(const Table& table) {
    return table.state() == TableState::Edit || table.state() == TableState::Insert;
}

// The number of progress reports a run makes at most, so that a long run stays fast.
constexpr std::int64_t kProgressSteps = 200;

void report(const Progress& progress, std::int64_t done, std::int64_t total) {
    if (!progress || total <= 0) return;
    const std::int64_t every = std::max<std::int64_t>(1, total / kProgressSteps);
    if (done % every == 0 || done == total) progress(done, total);
}

}  // namespace

QString keyText(const std::vector<Value>& key) {
    QStringList parts;
    for (const Value& v : key) {
        if (auto* i = std::get_if<std::int64_t>(&v)) parts << QString::number(*i);
        else if (auto* s = std::get_if<std::string>(&v)) parts << data::fromTable(*s);
        else parts << QStringLiteral("(brak)");
    }
    return parts.join(QStringLiteral(", "));
}

bool isCounter(const engine::FieldDef& field) {
    return field.type == engine::FieldType::AutoInc || field.name == "AUTO";
}

QString recordPlace(const Table& table, std::int64_t position) {
    const int payer = table.fieldIndex("ZLEC");
    const int number = table.fieldIndex("NR");
    if (payer >= 0 && number >= 0)
        return QStringLiteral("płatnik %1, pracownik %2")
            .arg(table.asInteger(payer))
            .arg(table.asInteger(number));
    return QStringLiteral("rekord %1").arg(position);
}

std::vector<BreakingValue> findBreakingValues(Table& table,
                                              const std::vector<ExportColumn>& columns,
                                              int limit, int& total) {
    std::vector<BreakingValue> found;
    total = 0;
    std::int64_t position = 0;
    const auto& fields = table.fields();
    for (table.first(); !table.eof(); table.next()) {
        ++position;
        for (const ExportColumn& column : columns) {
            const auto& field = fields.at(std::size_t(column.field));
            if (field.type != engine::FieldType::Alpha && field.type != engine::FieldType::Memo &&
                field.type != engine::FieldType::FmtMemo)
                continue;
            const Value value = table.value(column.field);
            const auto* bytes = std::get_if<std::string>(&value);
            if (!bytes || bytes->find_first_of(";\r\n") == std::string::npos) continue;
            if (int(found.size()) < limit)
                found.push_back({recordPlace(table, position), column.heading});
            ++total;
        }
    }
    table.first();
    return found;
}

QByteArray exportBytes(Table& table, const std::vector<ExportColumn>& columns,
                       TextEncoding encoding, bool mend, const Progress& progress) {
    // Built as text once and encoded at the end: the table's own bytes are code page 1250,
    // the file's may be UTF-8.
    QString text;
    for (const ExportColumn& column : columns) text += column.heading + u';';
    text += QStringLiteral("\r\n");
    const std::int64_t total = table.recordCount();
    std::int64_t done = 0;
    const auto& fields = table.fields();
    for (table.first(); !table.eof(); table.next()) {
        for (const ExportColumn& column : columns) {
            QString value = valueToText(fields.at(std::size_t(column.field)), table.value(column.field));
            if (mend && breaksLine(value)) value = mendForLine(value);
            text += value;
            text += u';';
        }
        text += QStringLiteral("\r\n");
        report(progress, ++done, total);
    }
    return encodeText(text, encoding);
}

std::vector<ImportRow> prepareImport(const Table& table, const std::vector<ImportColumn>& columns,
                                     bool lastCounts, const QStringList& lines, int firstLine) {
    const auto& fields = table.fields();
    const int keyCount = table.keyFieldCount();
    // Where each key field is in the file: the first column that maps to it.
    std::vector<int> keyColumn(std::size_t(keyCount), -1);
    for (int k = 0; k < keyCount; ++k) {
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (columns[c].field == k) {
                keyColumn[std::size_t(k)] = int(c);
                break;
            }
        if (keyColumn[std::size_t(k)] < 0 && !isCounter(fields[std::size_t(k)]))
            throw TransferError(QStringLiteral("Nagłówek pliku nie zawiera kolumny klucza %1.")
                                    .arg(QString::fromStdString(fields[std::size_t(k)].name)));
    }

    std::vector<ImportRow> rows;
    rows.reserve(std::size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = firstLine + int(i);
        const QStringList values = splitValues(lines[i], lastCounts);
        if (values.size() > kMaxValuesPerLine)
            throw TransferError(
                QStringLiteral("Wiersz %1 pliku ma %2 wartości, a wiersz może ich mieć najwyżej "
                               "%3. Nic nie zostało zapisane.")
                    .arg(lineNo)
                    .arg(values.size())
                    .arg(kMaxValuesPerLine));
        if (std::all_of(values.begin(), values.end(),
                        [](const QString& v) { return v.trimmed().isEmpty(); }))
            continue;
        ImportRow row;
        row.line = lineNo;
        const qsizetype used = std::min<qsizetype>(values.size(), qsizetype(columns.size()));
        auto fail = [&](qsizetype c, const QString& reason) -> TransferError {
            return TransferError(QStringLiteral("Wiersz %1 pliku, kolumna %2: %3. Nic nie zostało "
                                                "zapisane.")
                                     .arg(lineNo)
                                     .arg(columns[std::size_t(c)].name, reason));
        };
        for (qsizetype c = 0; c < used; ++c) {
            const int f = columns[std::size_t(c)].field;
            if (f < 0) continue;
            const auto& field = fields[std::size_t(f)];
            try {
                Value value = valueFromText(field, values[c]);
                if (!isCounter(field)) row.values.emplace_back(f, std::move(value));
            } catch (const TransferError& error) {
                throw fail(c, error.message());
            }
        }
        bool keyed = true;
        for (int k = 0; k < keyCount && keyed; ++k) {
            const int c = keyColumn[std::size_t(k)];
            const auto& field = fields[std::size_t(k)];
            if (c < 0 || c >= used) {
                if (isCounter(field)) {
                    keyed = false;
                    continue;
                }
                throw TransferError(
                    QStringLiteral("Wiersz %1 pliku jest za krótki: brak wartości klucza %2. Nic "
                                   "nie zostało zapisane.")
                        .arg(lineNo)
                        .arg(columns.empty() || c < 0 ? QString::fromStdString(field.name)
                                                      : columns[std::size_t(c)].name));
            }
            Value value = valueFromText(field, values[c]);
            if (isCounter(field) && engine::isNull(value)) {
                keyed = false;
                continue;
            }
            row.key.push_back(std::move(value));
        }
        if (!keyed) row.key.clear();
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<MissingMaster> findMissingMasters(engine::Session& session,
                                              const std::string& masterPath,
                                              const std::vector<int>& fields,
                                              const std::vector<ImportRow>& rows) {
    std::vector<MissingMaster> missing;
    if (rows.empty() || fields.empty()) return missing;
    Table master(session);
    master.open(masterPath, engine::AccessMode::ReadOnly);
    std::map<std::vector<Value>, bool> known;
    for (const ImportRow& row : rows) {
        std::vector<Value> key;
        for (int f : fields) {
            Value v;
            for (const auto& [field, value] : row.values)
                if (field == f) {
                    v = value;
                    break;
                }
            key.push_back(std::move(v));
        }
        auto it = known.find(key);
        if (it == known.end()) {
            const bool complete = std::none_of(key.begin(), key.end(),
                                               [](const Value& v) { return engine::isNull(v); });
            it = known.emplace(key, complete && master.findKey(key)).first;
        }
        if (!it->second) missing.push_back({row.line, std::move(key)});
    }
    return missing;
}

void writeImport(Table& table, const std::vector<ImportRow>& rows, const Progress& progress) {
    int line = 0;
    table.beginBatch();
    try {
        std::int64_t done = 0;
        for (const ImportRow& row : rows) {
            line = row.line;
            if (!row.key.empty() && table.findKey(row.key))
                table.edit();
            else
                table.insert();
            for (const auto& [field, value] : row.values) table.setValue(field, value);
            table.post();
            report(progress, ++done, std::int64_t(rows.size()));
        }
        line = 0;
        table.endBatch();
    } catch (const std::exception& error) {
        // Whatever failed, nothing of the file stays: no half-filled record waits for the next
        // save, and no line is stored that a second import would store again.
        try {
            if (editing(table)) table.cancel();
        } catch (...) {
        }
        try {
            table.abortBatch();
            table.refresh();
        } catch (...) {
        }
        const QString reason = QString::fromUtf8(error.what());
        throw TransferError(
            line > 0 ? QStringLiteral("Wiersz %1 pliku nie został zapisany: %2\nŻaden wiersz pliku "
                                      "nie został zapisany.")
                           .arg(line)
                           .arg(reason)
                     : QStringLiteral("Zapis pliku do tabeli nie powiódł się: %1\nŻaden wiersz "
                                      "pliku nie został zapisany.")
                           .arg(reason));
    }
}

}  // namespace lumiro::transfer
