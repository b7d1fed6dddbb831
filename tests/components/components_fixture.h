// Real tables in a temporary folder: payers, employees following the current payer, and
// period rows following the current employee, as the program links them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "components/data_source.h"
#include "data/table_text.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/prompter.h"
#include "support/temp_dir.h"

namespace lumiro::components::test {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;
using engine::TableDef;
using engine::Value;

// Test texts are UTF-8; tables hold code page 1250.
inline Value text(const char* s) {
    return Value{data::toTable(QString::fromUtf8(s))};
}
inline Value integer(std::int64_t v) {
    return Value{v};
}

inline TableDef payerDef() {
    return {{{"NR", FieldType::Long}, {"POCZTA", FieldType::Alpha, 40}},
            {{"", {"NR"}, true, true, false}}};
}

inline TableDef employeeDef() {
    return {
        {{"ZLEC", FieldType::Long},
         {"NR", FieldType::Long},
         {"POLE1", FieldType::Alpha, 40},
         {"KP11", FieldType::Alpha, 11},
         {"KP8", FieldType::Alpha, 10},
         {"KWOTA", FieldType::Money},
         {"AKT", FieldType::Logical},
         {"RP", FieldType::Alpha, 1}},
        {{"", {"ZLEC", "NR"}, true, true, false}, {"Ninx", {"ZLEC", "POLE1"}, false, false, true}}};
}

inline TableDef periodDef() {
    return {{{"ZLEC", FieldType::Long},
             {"NR", FieldType::Long},
             {"POLE2", FieldType::Alpha, 10},
             {"POLE1", FieldType::Alpha, 50},
             {"POLE3", FieldType::Alpha, 10}},
            {{"", {"ZLEC", "NR", "POLE2"}, true, true, false}}};
}

class ComponentsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        session.createTable(dir.file("ZLEC"), payerDef());
        session.createTable(dir.file("RP7"), employeeDef());
        session.createTable(dir.file("ZAL2"), periodDef());
    }

    void TearDown() override {
        // The windows' widgets go before the tables they watch.
        QCoreApplication::processEvents();
    }

    void openAll() {
        payers.open(dir.file("ZLEC"));
        employees.open(dir.file("RP7"));
        periods.open(dir.file("ZAL2"));
        employees.setMasterLink(&payers, "ZLEC", "NR");
        periods.setMasterLink(&employees, "ZLEC;NR", "ZLEC;NR");
    }

    void addPayer(std::int64_t nr, const char* name) {
        payers.append();
        payers.setValue("NR", integer(nr));
        payers.setValue("POCZTA", text(name));
        payers.post();
    }

    // Appended under the current payer.
    void addEmployee(std::int64_t nr, const char* name, const char* pesel = "") {
        employees.append();
        employees.setValue("NR", integer(nr));
        employees.setValue("POLE1", text(name));
        if (*pesel) employees.setValue("KP11", text(pesel));
        employees.post();
    }

    void addPeriod(const char* from, const char* title) {
        periods.append();
        periods.setValue("POLE2", text(from));
        periods.setValue("POLE1", text(title));
        periods.post();
    }

    std::string employeeName() const {
        return data::fromTable(employees.asString(employees.field("POLE1"))).toStdString();
    }

    lumiro::test::TempDir dir;
    engine::Session session{"components-test"};
    engine::Table payers{session};
    engine::Table employees{session};
    engine::Table periods{session};
    platform::ScriptedPrompter prompter;
};

}  // namespace lumiro::components::test
