// A working folder with the program's tables, and a data module started in it.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/table_layouts.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/clock.h"
#include "platform/process_values.h"
#include "platform/prompter.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"

namespace lumiro::data::test {

using Record = lumiro::test::TableRow;

inline engine::Value text(const char* utf8) {
    return engine::Value{std::string(utf8)};
}
inline engine::Value integer(std::int64_t v) {
    return engine::Value{v};
}

class DataFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(root());
        setToday(QDate(2005, 3, 10));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QString root() const { return QString::fromStdString(dir.path()); }
    // The data root as the module builds it: the program folder and a separator.
    QString dataRoot() const { return root() + u'/'; }
    std::string file(const std::string& name) const { return dir.file(name); }

    void setToday(QDate date) {
        clock.set(date);
        values.DataDzis = clock.today().toString(QStringLiteral("yyyy.MM.dd"));
        values.RokRoboczy = values.DataDzis.left(4);
    }

    // Creates `name` (relative to the working folder) and fills it.
    void makeTable(const std::string& name, const engine::TableDef& def,
                   const std::vector<Record>& rows = {}) {
        engine::Session session("fixture");
        session.createTable(file(name), def);
        engine::Table table(session);
        table.open(file(name));
        lumiro::test::appendRows(table, rows);
    }

    void makeProgramTables() {
        makeTable("FIRMA", firmaLayout().def,
                  {{{"NR", integer(1)}, {"SKROT", text("Firma")}, {"NIP", text("1234567890")}}});
        makeTable("KAD", kadLayout().def,
                  {{{"NR", integer(1)}, {"P2", text("0")}, {"L3", integer(0)}}});
    }

    void makeEmployeeTables() {
        QDir(root()).mkpath(QStringLiteral("BAZA/KADRY"));
        for (const TableLayout* layout : employeeTableLayouts()) {
            makeTable("BAZA/KADRY/" + std::string(layout->name), layout->def);
        }
        makeTable("BAZA/KADRY/ZLEC", zlecLayout().def,
                  {{{"NR", integer(1)}, {"POCZTA", text("Płatnik")}}});
    }

    std::unique_ptr<Tdane> start(Tdane::Environment env = {}) {
        env.programFolder = root();
        env.programFile = root() + QStringLiteral("/lumiro");
        if (!env.arguments) env.arguments = arguments;
        auto module = std::make_unique<Tdane>(values, prompter, std::move(env));
        module->create();
        return module;
    }

    std::vector<QString> texts() const {
        std::vector<QString> out;
        for (const auto& q : prompter.questions()) out.push_back(q.text);
        return out;
    }

    lumiro::test::TempDir dir;
    platform::FixedClock clock{QDate(2005, 3, 10)};
    platform::ProcessValues values;
    platform::ScriptedPrompter prompter;
    QStringList arguments;

  private:
    QString previous_;
};

}  // namespace lumiro::data::test
