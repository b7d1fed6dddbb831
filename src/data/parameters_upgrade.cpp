// Older parameters tables lack the update-check columns; they gain them through a copy
// named TEMP that takes the table's place.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/data_module.h"
#include "data/table_swap.h"
#include "data/table_text.h"
#include "engine/error.h"

namespace lumiro::data {

using engine::FieldDef;
using engine::FieldType;
using engine::Table;

void Tdane::UzupelnijParametry(Table& table) {
    if (!table.isOpen()) return;
    for (const FieldDef& f : table.fields()) {
        if (QString::fromLatin1(f.name.c_str()).toUpper() == u"L5") return;
    }

    engine::TableDef def;
    for (int i = 0; i < table.storedFieldCount(); ++i) {
        FieldDef f = table.fields()[std::size_t(i)];
        f.required = false;
        def.fields.push_back(f);
    }
    const FieldDef added[] = {{"L4", FieldType::Long, 0},
                              {"L5", FieldType::Long, 0},
                              {"ADATA", FieldType::Alpha, 10},
                              {"ACYKL", FieldType::Long, 0}};
    for (const FieldDef& f : added) {
        // A column of that name already there stays as it is.
        if (table.fieldIndex(f.name) < 0) def.fields.push_back(f);
    }
    def.indexes = table.indexes();

    const QString target = QFile::decodeName(QByteArray::fromStdString(table.path()));
    // The user chose to keep the table read-only: rebuilding it would give it writable files.
    if (table.accessMode() == engine::AccessMode::ReadOnly) {
        reportUpgradeLeft(target, QStringLiteral("tabela jest tylko do odczytu."));
        return;
    }
    const SwapNames names = parametersSwap(target);
    try {
        beginReplacement(SESJA, names, def);
        {
            Table temp(SESJA);
            temp.open(enginePath(names.replacement));
            const bool hadRecord = !table.isEmpty();
            temp.append();
            for (int i = 0; i < table.storedFieldCount(); ++i) {
                const FieldDef& f = table.fields()[std::size_t(i)];
                const int to = temp.fieldIndex(f.name);
                if (to < 0 || f.type == FieldType::AutoInc || !hadRecord) continue;
                try {
                    temp.setAsString(to, table.asString(i));
                } catch (const engine::EngineError&) {
                }
            }
            temp.setAsString(temp.field("ADATA"),
                             toTable(values_.DataDzis.left(8) + QStringLiteral("00")));
            temp.setAsInteger(temp.field("ACYKL"), 0);
            temp.setAsInteger(temp.field("L4"), 0);
            temp.setAsInteger(temp.field("L5"), 0);
            temp.post();
            temp.close();
        }
        finishReplacement(SESJA, names, table);
    } catch (const std::exception& e) {
        discardReplacement(SESJA, names);
        reportUpgradeLeft(target, QString::fromUtf8(e.what()));
    }
}

SwapNames parametersSwap(const QString& target) {
    const QDir folder = QFileInfo(target).dir();
    // TEMP lives in the working folder, which is the parameters table's folder; a TEMP table
    // there without the added columns is not the program's.
    return {target, folder.filePath(QStringLiteral("TEMP")),
            folder.filePath(QStringLiteral("KADOLD")), [](Table& table) {
                for (const char* column : {"L4", "L5", "ADATA", "ACYKL"})
                    if (table.fieldIndex(column) < 0) return false;
                return true;
            }};
}

SwapNames companySwap(const QString& target) {
    const QDir folder = QFileInfo(target).dir();
    return {target,
            folder.filePath(QStringLiteral("FIRMANEW")),
            folder.filePath(QStringLiteral("FIRMAOLD")),
            {}};
}

}  // namespace lumiro::data
