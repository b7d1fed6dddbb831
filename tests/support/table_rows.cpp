#include "support/table_rows.h"

#include "engine/session.h"

namespace lumiro::test {

void appendRows(engine::Table& table, const std::vector<TableRow>& rows) {
    for (const TableRow& row : rows) {
        table.append();
        for (const auto& [column, value] : row) table.setValue(column, value);
        table.post();
    }
}

std::vector<TableRow> readRows(engine::Env& env, const std::string& path) {
    engine::Session session("check", env);
    engine::Table table(session);
    table.open(path, engine::AccessMode::ReadOnly);
    std::vector<TableRow> out;
    for (table.first(); !table.eof(); table.next()) {
        TableRow row;
        for (int i = 0; i < table.storedFieldCount(); ++i)
            row[table.fields()[std::size_t(i)].name] = table.value(i);
        out.push_back(std::move(row));
    }
    return out;
}

}  // namespace lumiro::test
