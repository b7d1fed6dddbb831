#include "cell_text.h"

#include "engine/cp1250.h"
#include "engine/value_text.h"
#include "tool_error.h"
#include "tsv.h"

namespace lumiro::tools {

std::string cellFromValue(const engine::FieldDef& field, const engine::Value& value) {
    return engine::cp1250ToUtf8(engine::formatValue(field, value));
}

engine::Value valueFromCell(const engine::FieldDef& field, std::string_view cell) {
    auto text = unescapeCell(cell);
    if (!text)
        throw ToolError("niepoprawna sekwencja z ukośnikiem w „" + std::string(cell) +
                        "” (dozwolone: \\\\ \\t \\n \\r).");
    bool lossy = false;
    std::string converted = engine::utf8ToCp1250(*text, &lossy);
    // A character silently turned into '?' would be data lost without a word.
    if (lossy) throw ToolError("tekst „" + *text + "” zawiera znaki spoza strony kodowej 1250.");
    return engine::parseValue(field, converted);
}

}  // namespace lumiro::tools
