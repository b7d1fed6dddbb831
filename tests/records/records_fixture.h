// A working folder holding the installation's tables (one demonstration payer with its
// employees and their rows), extended per test, with the data module started on it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QString>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/data_module.h"
#include "data/table_text.h"
#include "engine/session.h"
#include "engine/table.h"
#include "platform/process_values.h"
#include "platform/prompter.h"
#include "records/employee_index_window.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"

namespace lumiro::records::test {

using engine::Value;
using Row = lumiro::test::TableRow;

// Test texts are UTF-8; tables hold code page 1250.
inline Value text(const char* utf8) {
    return Value{data::toTable(QString::fromUtf8(utf8))};
}
inline Value integer(std::int64_t v) {
    return Value{v};
}

inline const char* const kEmployeeTables[] = {"BAZA/KADRY/RP7", "BAZA/KADRY/ZAR", "BAZA/KADRY/ZAL",
                                              "BAZA/KADRY/ZAL2", "BAZA/KADRY/ZAL3"};

// As the user leaves a control with Tab.
inline void leave(QWidget* widget) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
}

// QTest::keyClicks knows ASCII only; Polish letters arrive as key events with their text.
inline void type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

class RecordsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(LUMIRO_INSTALL_DATA_DIR, dir.path(),
                              std::filesystem::copy_options::recursive);
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
        values.DataDzis = QStringLiteral("2005.03.10");
        values.RokRoboczy = QStringLiteral("2005");
    }

    void TearDown() override {
        QApplication::processEvents();
        dane.reset();
        QDir::setCurrent(previous_);
    }

    void start() {
        data::Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
        dane->create();
        ASSERT_TRUE(dane->TZlec.isOpen());
        ASSERT_TRUE(dane->TFIRMA.isOpen());
    }

    std::string file(const std::string& relative) const { return dir.path() + "/" + relative; }

    // Written before the data module starts, through a session of its own.
    void addRows(const std::string& table, const std::vector<Row>& rows) {
        engine::Session session("seed");
        engine::Table t(session);
        t.open(file(table));
        lumiro::test::appendRows(t, rows);
    }

    void clearTable(const std::string& table) {
        engine::Session session("seed");
        engine::Table t(session);
        t.open(file(table));
        for (t.first(); !t.isEmpty(); t.first()) t.remove();
    }

    // The rows on disk, read through a fresh session.
    std::vector<Row> rows(const std::string& table) const {
        return lumiro::test::readRows(file(table));
    }

    static QString textOf(const Row& row, const std::string& column) {
        const Value& v = row.at(column);
        return engine::isNull(v) ? QString() : data::fromTable(std::get<std::string>(v));
    }
    static std::int64_t integerOf(const Row& row, const std::string& column) {
        const Value& v = row.at(column);
        return engine::isNull(v) ? 0 : std::get<std::int64_t>(v);
    }

    QString value(engine::Table& table, const char* column) const {
        return data::fromTable(table.asString(table.field(column)));
    }

    lumiro::test::TempDir dir;
    platform::ProcessValues values;
    platform::ScriptedPrompter prompter;
    std::unique_ptr<data::Tdane> dane;

  private:
    QString previous_;
};

// The employee index window over the data module, shown and active as the user finds it.
class IndexWindowFixture : public RecordsFixture {
  protected:
    // Call after start(); an empty size leaves the window's own.
    void showWindow(EmployeeIndexServices services = {}, QSize size = {}) {
        window = std::make_unique<TKadF>(*dane, std::move(services));
        if (size.isValid()) window->resize(size);
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }

    void TearDown() override {
        window.reset();
        RecordsFixture::TearDown();
    }

    std::unique_ptr<TKadF> window;
};

}  // namespace lumiro::records::test
