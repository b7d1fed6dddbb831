// Older company tables had fewer columns, the account number in three pieces and the
// archive settings in spare columns; they are rebuilt in the current layout.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/data_module.h"
#include "data/table_layouts.h"
#include "data/table_swap.h"
#include "data/table_text.h"
#include "engine/error.h"

namespace lumiro::data {
namespace {

using engine::Table;

constexpr int kCurrentColumns = 69;

// Reads one column as text; a column the old table lacks gives nothing.
std::optional<std::string> read(const Table& table, const char* column) {
    const int field = table.fieldIndex(column);
    if (field < 0) return std::nullopt;
    try {
        return table.asString(field);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::string> upgradedRow(const Table& old) {
    const TableLayout& layout = firmaLayout();
    std::vector<std::string> row(std::size_t(layout.columnCount()));
    auto set = [&](const char* column, std::string text) {
        row[std::size_t(layout.columnIndex(column))] = std::move(text);
    };
    for (int i = 0; i < layout.columnCount(); ++i) {
        if (auto text = read(old, layout.def.fields[std::size_t(i)].name.c_str())) {
            row[std::size_t(i)] = *text;
        }
    }
    for (const char* column : {"BANK2", "BANK3", "ADRES2", "ADRES3", "NUM2", "NUM3"}) {
        set(column, {});
    }
    set("ADRES1", read(old, "ZAPAS1").value_or(""));

    // The three pieces of one account number become one text; each piece is read on its
    // own, so a missing piece leaves the text as far as it got.
    std::string account;
    if (auto num1 = read(old, "NUM1")) {
        account = *num1;
        if (auto num2 = read(old, "NUM2")) {
            account += " " + num2->substr(0, 4);
            account += " " + (num2->size() > 4 ? num2->substr(4, 4) : std::string());
            if (auto num3 = read(old, "NUM3")) account += " " + *num3;
        }
    }
    set("NUM1", account);

    std::string archiveDate = read(old, "ZAPAS2").value_or("");
    if (auto date = read(old, "ARCHDATA"); date && !date->empty()) archiveDate = *date;
    set("ARCHDATA", archiveDate);
    std::string archiveDays = read(old, "ZAPAS3").value_or("");
    if (auto days = read(old, "ARCHDNI"); days && !days->empty()) archiveDays = *days;
    set("ARCHDNI", archiveDays);
    return row;
}

// Sets a column from its text; an over-long text is cut to the column, a text that does not
// convert leaves the column empty rather than losing the record.
void setFromText(Table& table, int field, const std::string& text) {
    const engine::FieldDef& def = table.fields()[std::size_t(field)];
    std::string value = text;
    if (def.type == engine::FieldType::Alpha && int(value.size()) > def.size) {
        value.resize(std::size_t(def.size));
    }
    try {
        table.setAsString(field, value);
    } catch (const engine::EngineError&) {
    }
}

}  // namespace

void Tdane::UzupelnijFirme(Table& table) {
    if (!table.isOpen() || table.storedFieldCount() >= kCurrentColumns) return;
    const QString target = QFile::decodeName(QByteArray::fromStdString(table.path()));
    // The user chose to keep the table read-only: rebuilding it would give it writable files.
    if (table.accessMode() == engine::AccessMode::ReadOnly) {
        reportUpgradeLeft(target, QStringLiteral("tabela jest tylko do odczytu."));
        return;
    }

    std::vector<std::vector<std::string>> rows;
    for (table.first(); !table.eof(); table.next()) rows.push_back(upgradedRow(table));

    // The table is rebuilt under another name and swapped in only once it holds every
    // record, so the old record is never the only copy of nothing: a failure leaves the old
    // table in use, a crash leaves the old or the new table whole (see table_swap.h). The
    // structure description goes with the old table and is written anew for the new one.
    const SwapNames names = companySwap(target);
    try {
        beginReplacement(SESJA, names, firmaLayout().def);
        {
            Table rebuilt(SESJA);
            rebuilt.open(enginePath(names.replacement));
            for (const auto& row : rows) {
                rebuilt.append();
                for (int i = 0; i < kCurrentColumns; ++i)
                    setFromText(rebuilt, i, row[std::size_t(i)]);
                rebuilt.post();
            }
            rebuilt.close();
        }
        finishReplacement(SESJA, names, table);
    } catch (const std::exception& e) {
        discardReplacement(SESJA, names);
        reportUpgradeLeft(target, QString::fromUtf8(e.what()));
    }
}

void Tdane::reportUpgradeLeft(const QString& table, const QString& reason) {
    prompter_.warning(QStringLiteral("Układ tabeli %1 nie został uaktualniony: %2\nProgram używa "
                                     "jej w dotychczasowym układzie; uaktualnienie nastąpi przy "
                                     "następnym uruchomieniu.")
                          .arg(QDir::toNativeSeparators(table), reason));
}

}  // namespace lumiro::data
