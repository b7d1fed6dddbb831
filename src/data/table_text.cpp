#include "data/table_text.h"

#include <QFile>

#include "engine/cp1250.h"
#include "engine/table.h"
#include "engine/value_text.h"
#include "platform/program_paths.h"

namespace lumiro::data {

QString fromTable(const std::string& text) {
    return QString::fromStdString(engine::cp1250ToUtf8(text));
}

std::string toTable(const QString& text) {
    return engine::utf8ToCp1250(text.toStdString());
}

std::string enginePath(const QString& programPath) {
    return QFile::encodeName(platform::nativePath(programPath)).toStdString();
}

QString valueText(const engine::FieldDef& field, const engine::Value& value) {
    if (field.type == engine::FieldType::Logical && !engine::isNull(value)) {
        const std::string engineForm = engine::formatValue(field, value);
        if (engineForm == "true") return QStringLiteral("Prawda");
        if (engineForm == "false") return QStringLiteral("Fałsz");
    }
    return fromTable(engine::formatValue(field, value));
}

QString fieldText(const engine::Table& table, int field) {
    return valueText(table.fields().at(std::size_t(field)), table.value(field));
}

}  // namespace lumiro::data
