// The program's tables on an in-memory file system that fails on demand and can lose what was
// not synced, and data modules started on it one after another, as the program is after a
// crash and a new start.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/table_layouts.h"
#include "data/table_text.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/process_values.h"
#include "platform/prompter.h"
#include "support/fault_env.h"
#include "support/table_rows.h"

namespace lumiro::data::test {

class MemDataFixture : public ::testing::Test {
  protected:
    using Row = lumiro::test::TableRow;

    // The program folder, which is the data root as well.
    static std::string kadry(const std::string& table) { return "/dane/BAZA/KADRY/" + table; }

    void SetUp() override {
        values.DataDzis = QStringLiteral("2005.03.10");
        values.RokRoboczy = QStringLiteral("2005");
    }

    void makeTable(const std::string& path, const engine::TableDef& def,
                   const std::vector<Row>& rows = {}) {
        {
            engine::Session session("fixture", env());
            session.createTable(path, def);
        }
        addRows(path, rows);
    }

    void addRows(const std::string& path, const std::vector<Row>& rows) {
        engine::Session session("fixture", env());
        engine::Table table(session);
        table.open(path);
        lumiro::test::appendRows(table, rows);
    }

    // The company and parameters tables (relative names: the working folder) and the employee
    // tables with payer 1; nothing the start would have to upgrade or fill in.
    void makeTables() {
        makeTable("FIRMA", firmaLayout().def,
                  {{{"NR", engine::Value{std::int64_t(1)}}, {"SKROT", text("Firma")}}});
        makeTable("KAD", kadLayout().def,
                  {{{"NR", engine::Value{std::int64_t(1)}},
                    {"L3", engine::Value{std::int64_t(0)}},
                    {"B1", engine::Value{false}}}});
        for (const TableLayout* layout : employeeTableLayouts())
            makeTable(kadry(std::string(layout->name)), layout->def);
        makeTable(kadry("ZLEC"), zlecLayout().def,
                  {{{"NR", engine::Value{std::int64_t(1)}}, {"POCZTA", text("Płatnik")}}});
        // Names in the working folder are made durable the way every other folder's are.
        env().syncDir("");
    }

    std::unique_ptr<Tdane> start() {
        Tdane::Environment environment;
        environment.programFolder = QStringLiteral("/dane");
        environment.programFile = QStringLiteral("/dane/lumiro");
        environment.arguments = QStringList();
        environment.fileSystem = &env();
        environment.Aktualizacja = update;
        auto module = std::make_unique<Tdane>(values, prompter, std::move(environment));
        module->create();
        return module;
    }

    // The rows of a table as they are in the files now.
    std::vector<Row> rows(const std::string& path) { return lumiro::test::readRows(env(), path); }

    static engine::Value text(const char* utf8) {
        return engine::Value{toTable(QString::fromUtf8(utf8))};
    }

    lumiro::test::MemEnv& env() { return *files; }
    // A new, empty file system: what was there is gone.
    void forgetFiles() { files = std::make_unique<lumiro::test::MemEnv>(); }

    std::unique_ptr<lumiro::test::MemEnv> files = std::make_unique<lumiro::test::MemEnv>();
    platform::ProcessValues values;
    platform::ScriptedPrompter prompter;
    // The structure update the starts run; none by default.
    StructureUpdate update;
};

}  // namespace lumiro::data::test
