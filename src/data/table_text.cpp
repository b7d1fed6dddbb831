#include "data/table_text.h"

#include <QFile>

#include "engine/cp1250.h"
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

}  // namespace lumiro::data
