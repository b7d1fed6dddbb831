#include <fstream>

#include "cell_text.h"
#include "commands.h"
#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "tool_error.h"
#include "tsv.h"

namespace lumiro::tools {

using engine::FieldType;
using engine::Table;
using engine::Value;

namespace {

[[noreturn]] void rowError(long line, const std::string& what) {
    throw ToolError("Wiersz " + std::to_string(line) + ": " + what);
}

bool readLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

struct Column {
    int field;         // index in the table
    std::string name;  // as written in the header (UTF-8), for messages
};

std::vector<Column> readHeader(Table& table, const std::string& header) {
    std::string_view text = header;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<Column> columns;
    for (std::string_view cell : splitRow(text)) {
        auto name = unescapeCell(cell);
        bool lossy = false;
        int field = name ? table.fieldIndex(engine::utf8ToCp1250(*name, &lossy)) : -1;
        if (field < 0 || lossy || field >= table.storedFieldCount())
            rowError(1, "tabela nie ma kolumny „" + std::string(cell) + "”.");
        for (const Column& c : columns)
            if (c.field == field) rowError(1, "kolumna „" + *name + "” występuje dwa razy.");
        columns.push_back({field, *name});
    }
    return columns;
}

}  // namespace

int runLoad(const std::string& tablePath, const std::string& tsvFile, std::ostream& out) {
    std::ifstream in(tsvFile, std::ios::binary);
    if (!in) throw ToolError("Nie można otworzyć pliku " + tsvFile + ".");
    engine::Session session("lumiro-db");
    Table table(session);
    table.open(tablePath, engine::AccessMode::Shared);  // on the primary index, as findKey needs
    const auto& fields = table.fields();

    std::string line;
    if (!readLine(in, line))
        throw ToolError("Plik " + tsvFile + " jest pusty: brak wiersza z nazwami kolumn.");
    std::vector<Column> columns = readHeader(table, line);

    // Rows are matched on the primary key. An autoincrement key the file lacks, or leaves
    // empty, means every such row is new; the engine numbers it.
    const int keyCount = table.keyFieldCount();
    std::vector<int> keyPositions;
    bool keyUsable = keyCount > 0;
    for (int k = 0; k < keyCount; ++k) {
        int position = -1;
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].field == k) position = int(i);
        if (position < 0) {
            if (fields[std::size_t(k)].type != FieldType::AutoInc)
                rowError(1, "brak kolumny klucza " +
                                engine::cp1250ToUtf8(fields[std::size_t(k)].name) + ".");
            keyUsable = false;
        }
        keyPositions.push_back(position);
    }

    long lineNo = 1;
    std::vector<Value> values(columns.size());
    std::vector<Value> key;
    while (readLine(in, line)) {
        ++lineNo;
        auto cells = splitRow(line);
        if (cells.size() != columns.size())
            rowError(lineNo, std::to_string(cells.size()) + " komórek zamiast " +
                                 std::to_string(columns.size()) + ".");
        for (std::size_t i = 0; i < columns.size(); ++i) {
            try {
                values[i] = valueFromCell(fields[std::size_t(columns[i].field)], cells[i]);
            } catch (const std::runtime_error& e) {
                throw ToolError("Wiersz " + std::to_string(lineNo) + ", kolumna " +
                                columns[i].name + ": " + e.what());
            }
        }

        bool found = false;
        try {
            if (keyUsable) {
                key.clear();
                bool emptyAutoInc = false;
                for (int k = 0; k < keyCount; ++k) {
                    const Value& v = values[std::size_t(keyPositions[std::size_t(k)])];
                    emptyAutoInc =
                        emptyAutoInc ||
                        (engine::isNull(v) && fields[std::size_t(k)].type == FieldType::AutoInc);
                    key.push_back(v);
                }
                found = !emptyAutoInc && table.findKey(key);
            }
            if (found)
                table.edit();
            else
                table.append();
            for (std::size_t i = 0; i < columns.size(); ++i) {
                int f = columns[i].field;
                // The engine numbers autoincrement columns; a value in the file only finds
                // the row.
                if (fields[std::size_t(f)].type == FieldType::AutoInc) continue;
                if (found && f < keyCount) continue;
                table.setValue(f, values[i]);
            }
            table.post();
        } catch (const engine::EngineError& e) {
            if (table.state() == engine::TableState::Edit ||
                table.state() == engine::TableState::Insert)
                table.cancel();
            rowError(lineNo, e.what());
        }
        out << "ok " << lineNo << '\n' << std::flush;
    }
    if (in.bad())
        throw ToolError("Błąd odczytu pliku " + tsvFile + " po wierszu " + std::to_string(lineNo) +
                        ".");
    return kExitOk;
}

}  // namespace lumiro::tools
