#include "transfer/import_file.h"

#include <algorithm>

#include "transfer/column_text.h"

namespace lumiro::transfer {
namespace {

using engine::FieldDef;
using engine::Value;

constexpr int kListedProblems = 10;

bool blank(const std::vector<std::string_view>& values) {
    return std::all_of(values.begin(), values.end(), [](std::string_view v) {
        return v.find_first_not_of(" \t") == std::string_view::npos;
    });
}

QString withoutFinalStop(QString text) {
    while (text.endsWith(u'.')) text.chop(1);
    return text;
}

}  // namespace

bool isCounter(const FieldDef& field) {
    return field.type == engine::FieldType::AutoInc || field.name == "AUTO";
}

std::vector<ImportColumn> mapColumns(const std::vector<FieldDef>& fields, int storedCount,
                                     const QStringList& names) {
    std::vector<ImportColumn> columns;
    for (const QString& name : names) columns.push_back({name, -1});
    for (int f = 0; f < storedCount; ++f) {
        const QString name = QString::fromStdString(fields[std::size_t(f)].name);
        for (ImportColumn& column : columns)
            if (column.name == name) {
                column.field = f;
                break;
            }
    }
    return columns;
}

ImportHeading readImportHeading(std::string_view bytes, std::optional<TextEncoding> forced) {
    ImportHeading heading{{}, readFileText(bytes, forced)};
    RecordReader reader(heading.text.body);
    if (!reader.next() || reader.values().empty())
        throw TransferError(QStringLiteral("Plik jest pusty: brak wiersza nagłówka."));
    for (std::string_view name : reader.values())
        heading.names << toDisplay(name, heading.text.encoding);
    return heading;
}

ImportRows::Cell ImportRows::cellOf(const FieldDef& field, std::string_view text,
                                    TextEncoding encoding, std::string& texts) {
    // The common columns straight from the text; the rest, and every refusal, through the value.
    Cell cell;
    if (text.empty()) return cell;
    if (field.type == engine::FieldType::Alpha && encoding == TextEncoding::Cp1250 &&
        text.size() <= std::size_t(field.size)) {
        cell.kind = Cell::Text;
        cell.text = {std::uint32_t(texts.size()), std::uint32_t(text.size())};
        texts += text;
        return cell;
    }
    if (field.type == engine::FieldType::Money)
        if (const auto amount = parseAmount(text)) {
            cell.kind = Cell::Amount;
            cell.integer = groszeOf(*amount).value_or(0);
            return cell;
        }
    return cellOf(field, valueFromText(field, text, encoding), texts);
}

ImportRows::Cell ImportRows::cellOf(const FieldDef& field, const Value& value, std::string& texts) {
    Cell cell;
    auto* d = std::get_if<double>(&value);
    const auto grosze = d && field.type == engine::FieldType::Money ? groszeOf(*d) : std::nullopt;
    if (auto* i = std::get_if<std::int64_t>(&value)) {
        cell.kind = Cell::Integer;
        cell.integer = *i;
    } else if (grosze) {
        cell.kind = Cell::Amount;
        cell.integer = *grosze;
    } else if (d) {
        cell.kind = Cell::Double;
        cell.number = *d;
    } else if (auto* b = std::get_if<bool>(&value)) {
        cell.kind = Cell::Boolean;
        cell.boolean = *b;
    } else if (auto* s = std::get_if<std::string>(&value)) {
        cell.kind = Cell::Text;
        cell.text = {std::uint32_t(texts.size()), std::uint32_t(s->size())};
        texts += *s;
    }
    return cell;
}

Value ImportRows::value(std::size_t row, std::size_t k) const {
    const Cell& cell = cells_[rows_[row].first + k];
    switch (cell.kind) {
        case Cell::Integer:
            return Value{cell.integer};
        case Cell::Double:
            return Value{cell.number};
        case Cell::Amount:
            return Value{double(cell.integer) / 100.0};
        case Cell::Boolean:
            return Value{cell.boolean};
        case Cell::Text:
            return Value{texts_.substr(cell.text.offset, cell.text.length)};
        case Cell::Null:
            break;
    }
    return Value{};
}

bool ImportRows::equals(std::size_t row, std::size_t k, const Value& stored) const {
    const Cell& cell = cells_[rows_[row].first + k];
    switch (cell.kind) {
        case Cell::Null:
            return engine::isNull(stored);
        case Cell::Integer: {
            auto* i = std::get_if<std::int64_t>(&stored);
            return i && *i == cell.integer;
        }
        case Cell::Double: {
            auto* d = std::get_if<double>(&stored);
            return d && *d == cell.number;
        }
        case Cell::Amount: {
            auto* d = std::get_if<double>(&stored);
            return d && groszeOf(*d) == cell.integer;
        }
        case Cell::Boolean: {
            auto* b = std::get_if<bool>(&stored);
            return b && *b == cell.boolean;
        }
        case Cell::Text: {
            auto* s = std::get_if<std::string>(&stored);
            return s && std::string_view(*s) ==
                            std::string_view(texts_).substr(cell.text.offset, cell.text.length);
        }
    }
    return false;
}

bool ImportRows::sameCell(std::size_t row, std::size_t k, std::size_t other) const {
    const Cell& a = cells_[rows_[row].first + k];
    if (k >= rows_[other].count) return a.kind == Cell::Null;
    const Cell& b = cells_[rows_[other].first + k];
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case Cell::Null:
            return true;
        case Cell::Integer:
        case Cell::Amount:
            return a.integer == b.integer;
        case Cell::Double:
            return a.number == b.number;
        case Cell::Boolean:
            return a.boolean == b.boolean;
        case Cell::Text:
            return std::string_view(texts_).substr(a.text.offset, a.text.length) ==
                   std::string_view(texts_).substr(b.text.offset, b.text.length);
    }
    return false;
}

std::int64_t ImportRows::integer(std::size_t row, std::size_t k) const {
    const Cell& cell = cells_[rows_[row].first + k];
    return cell.kind == Cell::Integer ? cell.integer : 0;
}

int ImportRows::columnOf(int field) const {
    const auto at = std::find(fields_.begin(), fields_.end(), field);
    return at == fields_.end() ? -1 : int(at - fields_.begin());
}

ImportRows readImportFile(std::string_view bytes, const std::vector<FieldDef>& fields,
                          int storedCount, int keyCount, std::optional<TextEncoding> forced,
                          const Progress& progress) {
    const ImportHeading heading = readImportHeading(bytes, forced);
    const TextEncoding encoding = heading.text.encoding;
    const auto columns = mapColumns(fields, storedCount, heading.names);

    ImportRows rows;
    int counterColumn = -1;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int f = columns[c].field;
        if (f < 0) continue;
        if (isCounter(fields[std::size_t(f)])) {
            counterColumn = int(c);
            rows.counterField_ = f;
            continue;
        }
        rows.fields_.push_back(f);
    }
    // The key's columns (the counter may be missing: such lines are new rows).
    std::vector<int> keyCells;
    for (int k = 0; k < keyCount; ++k) {
        const FieldDef& field = fields[std::size_t(k)];
        if (isCounter(field)) continue;
        const int cell = rows.columnOf(k);
        if (cell < 0)
            throw TransferError(QStringLiteral("Nagłówek pliku nie zawiera kolumny klucza %1.")
                                    .arg(QString::fromStdString(field.name)));
        keyCells.push_back(cell);
    }

    QStringList problems;
    int problemCount = 0;
    auto problem = [&](const QString& text) {
        if (problems.size() < kListedProblems) problems << text;
        ++problemCount;
    };

    // Room for every line at once: files of 300,000 lines are common, and growing the stores
    // line by line copies them over and over.
    const auto lineCount =
        std::size_t(std::count(heading.text.body.begin(), heading.text.body.end(), '\n')) + 1;
    rows.rows_.reserve(lineCount);
    rows.cells_.reserve(lineCount * rows.fields_.size());
    rows.texts_.reserve(heading.text.body.size());

    RecordReader reader(heading.text.body);
    reader.next();  // the heading
    const std::int64_t total = std::int64_t(heading.text.body.size());
    std::int64_t reported = 0;
    std::vector<ImportRows::Cell> cells;
    while (reader.next()) {
        const auto& values = reader.values();
        if (blank(values)) continue;
        const int line = reader.line();
        ImportRows::Row row;
        row.line = line;
        row.first = std::uint32_t(rows.cells_.size());
        const std::size_t used = std::min(values.size(), columns.size());
        bool good = true;
        cells.clear();
        for (std::size_t c = 0; c < used; ++c) {
            const int f = columns[c].field;
            if (f < 0) continue;
            const FieldDef& field = fields[std::size_t(f)];
            try {
                if (int(c) == counterColumn) {
                    Value value = valueFromText(field, values[c], encoding);
                    if (auto* i = std::get_if<std::int64_t>(&value)) row.counter = *i;
                } else {
                    cells.push_back(ImportRows::cellOf(field, values[c], encoding, rows.texts_));
                }
            } catch (const TransferError& error) {
                problem(QStringLiteral("wiersz %1, kolumna %2: %3")
                            .arg(line)
                            .arg(columns[c].name, withoutFinalStop(error.message())));
                good = false;
            }
        }
        row.count = std::uint32_t(cells.size());
        for (std::size_t k = 0; k < keyCells.size() && good; ++k)
            if (std::size_t(keyCells[k]) >= cells.size()) {
                problem(QStringLiteral("wiersz %1 jest za krótki: brak wartości klucza %2")
                            .arg(line)
                            .arg(QString::fromStdString(
                                fields[std::size_t(rows.fields_[std::size_t(keyCells[k])])].name)));
                good = false;
            }
        if (!good) continue;
        rows.cells_.insert(rows.cells_.end(), cells.begin(), cells.end());
        rows.rows_.push_back(row);
        if (progress) {
            // Reported by the bytes read, a few hundred times at most.
            const auto done = std::int64_t(reader.position());
            if (done - reported > total / 200) {
                reported = done;
                progress(done, total);
            }
        }
    }
    if (problemCount > 0) {
        QString text = problemCount == 1
                           ? QStringLiteral("Pliku nie można wczytać: %1.").arg(problems.front())
                           : QStringLiteral("Pliku nie można wczytać (%1 błędnych wartości):\n%2")
                                 .arg(problemCount)
                                 .arg(problems.join(QStringLiteral(";\n")));
        if (problemCount > problems.size())
            text += QStringLiteral(";\ni %1 innych.").arg(problemCount - problems.size());
        else if (problemCount > 1)
            text += u'.';
        text += QStringLiteral("\nNic nie zostało zapisane. Popraw plik i wczytaj go ponownie.");
        throw TransferError(text);
    }
    return rows;
}

}  // namespace lumiro::transfer
