#include "layout.h"

#include <charconv>
#include <optional>

#include "engine/cp1250.h"
#include "tool_error.h"

namespace lumiro::tools {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;
using engine::TableDef;

namespace {

struct SizeRule {
    bool required;
    int low;
    int high;
};

// Sizes as a user gives them; the engine validates again when it creates the table.
SizeRule sizeRule(FieldType type) {
    switch (type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            return {true, 1, 255};
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            return {true, 1, 240};
        case FieldType::Bcd:
            return {false, 0, 32};
        default:
            return {false, 0, 0};
    }
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// With a TAB in the line the cells are what lies between TABs, so that names may contain
// spaces (as `schema` writes them); otherwise runs of spaces separate the tokens.
std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    char sep = line.find('\t') != std::string_view::npos ? '\t' : ' ';
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(sep, start);
        if (end == std::string_view::npos) end = line.size();
        std::string_view token = trimSpaces(line.substr(start, end - start));
        if (!token.empty()) out.push_back(token);
        start = end + 1;
    }
    return out;
}

std::optional<int> toInt(std::string_view s) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < 0) return std::nullopt;
    return v;
}

std::string upper(std::string_view cp1250) {
    std::string out(cp1250);
    for (char& c : out) c = char(engine::toUpper1250(static_cast<std::uint8_t>(c)));
    return out;
}

class Parser {
  public:
    TableDef parse(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (line.ends_with('\r')) line.remove_suffix(1);
            ++lineNo_;
            parseLine(trimSpaces(line));
            start = end + 1;
        }
        return finish();
    }

  private:
    [[noreturn]] void error(const std::string& what) const {
        throw ToolError("Układ, wiersz " + std::to_string(lineNo_) + ": " + what);
    }

    std::string nameFromUtf8(std::string_view name, const char* what) const {
        bool lossy = false;
        std::string converted = engine::utf8ToCp1250(name, &lossy);
        if (lossy)
            error(std::string(what) + " „" + std::string(name) +
                  "” zawiera znaki spoza strony kodowej 1250.");
        return converted;
    }

    void parseLine(std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        if (line.starts_with("key")) {
            std::string_view rest = trimSpaces(line.substr(3));
            if (rest.starts_with('=')) return parseKey(trimSpaces(rest.substr(1)));
        }
        auto parts = tokens(line);
        if (parts.front() == "index") return parseIndex(parts);
        parseColumn(parts);
    }

    void parseKey(std::string_view value) {
        if (keyLine_ != 0) error("klucz podano już w wierszu " + std::to_string(keyLine_) + ".");
        auto k = toInt(value);
        if (!k) error("„key=” wymaga liczby kolumn klucza, a podano „" + std::string(value) + "”.");
        keyLine_ = lineNo_;
        keyCount_ = *k;
    }

    void parseColumn(const std::vector<std::string_view>& parts) {
        if (parts.size() < 2 || parts.size() > 3)
            error("oczekiwano „NAZWA TYP [ROZMIAR]”, a jest „" + joined(parts) + "”.");
        FieldDef field;
        field.name = nameFromUtf8(parts[0], "Nazwa pola");
        std::optional<FieldType> type;
        if (parts[1].size() == 1) type = engine::typeFromLetter(parts[1][0]);
        if (!type)
            error("nieznany typ pola „" + std::string(parts[1]) +
                  "” (dozwolone: A I + $ N L S D T @ # Y M B F O G).");
        field.type = *type;
        SizeRule rule = sizeRule(field.type);
        if (parts.size() == 3) {
            auto size = toInt(parts[2]);
            if (!size) error("rozmiar pola „" + std::string(parts[2]) + "” nie jest liczbą.");
            field.size = *size;
        } else if (rule.required) {
            error("pole " + std::string(parts[0]) + " typu " + std::string(parts[1]) +
                  " wymaga rozmiaru.");
        }
        if (field.size < rule.low || field.size > rule.high) {
            if (rule.high == 0)
                error("pole " + std::string(parts[0]) + " typu " + std::string(parts[1]) +
                      " nie ma rozmiaru (podaj 0 albo nic).");
            error("rozmiar pola " + std::string(parts[0]) + " musi być między " +
                  std::to_string(rule.low) + " a " + std::to_string(rule.high) + ".");
        }
        for (const FieldDef& other : def_.fields)
            if (upper(other.name) == upper(field.name))
                error("pole " + std::string(parts[0]) + " występuje dwa razy.");
        def_.fields.push_back(std::move(field));
    }

    void parseIndex(const std::vector<std::string_view>& parts) {
        if (parts.size() < 3 || parts.size() > 4)
            error("oczekiwano „index NAZWA POLE;POLE [OPCJE]”, a jest „" + joined(parts) + "”.");
        IndexDef index;
        index.name = nameFromUtf8(parts[1], "Nazwa indeksu");
        for (const IndexDef& other : def_.indexes)
            if (upper(other.name) == upper(index.name))
                error("indeks " + std::string(parts[1]) + " występuje dwa razy.");
        std::string_view columns = parts[2];
        std::size_t start = 0;
        while (start <= columns.size()) {
            std::size_t end = columns.find(';', start);
            if (end == std::string_view::npos) end = columns.size();
            std::string_view column = trimSpaces(columns.substr(start, end - start));
            if (column.empty())
                error("pusta nazwa pola na liście pól indeksu " + std::string(parts[1]) + ".");
            index.fields.push_back(nameFromUtf8(column, "Nazwa pola"));
            pendingColumns_.push_back({lineNo_, std::string(column)});
            start = end + 1;
        }
        if (parts.size() == 4 && parts[3] != "-") {
            std::string_view options = parts[3];
            std::size_t pos = 0;
            while (pos <= options.size()) {
                std::size_t end = options.find(',', pos);
                if (end == std::string_view::npos) end = options.size();
                std::string_view option = trimSpaces(options.substr(pos, end - pos));
                if (option == "unique")
                    index.unique = true;
                else if (option == "nocase")
                    index.caseInsensitive = true;
                else
                    error("nieznana opcja indeksu „" + std::string(option) +
                          "” (dozwolone: unique, nocase, -).");
                pos = end + 1;
            }
        }
        def_.indexes.push_back(std::move(index));
    }

    TableDef finish() {
        if (def_.fields.empty()) throw ToolError("Układ nie opisuje żadnego pola.");
        for (const auto& [line, name] : pendingColumns_) {
            std::string wanted = upper(engine::utf8ToCp1250(name));
            bool found = false;
            for (const FieldDef& f : def_.fields) found = found || upper(f.name) == wanted;
            if (!found) {
                lineNo_ = line;
                error("indeks odwołuje się do nieznanego pola " + name + ".");
            }
        }
        if (keyCount_ > int(def_.fields.size())) {
            lineNo_ = keyLine_;
            error("klucz ma " + std::to_string(keyCount_) + " kolumn, a tabela tylko " +
                  std::to_string(def_.fields.size()) + ".");
        }
        if (keyCount_ > 0) {
            IndexDef primary;
            primary.primary = true;
            primary.unique = true;
            for (int i = 0; i < keyCount_; ++i) primary.fields.push_back(def_.fields[i].name);
            def_.indexes.insert(def_.indexes.begin(), std::move(primary));
        }
        return std::move(def_);
    }

    static std::string joined(const std::vector<std::string_view>& parts) {
        std::string s;
        for (std::string_view p : parts) s += (s.empty() ? "" : " ") + std::string(p);
        return s;
    }

    TableDef def_;
    int lineNo_ = 0;
    int keyLine_ = 0;
    int keyCount_ = 0;
    std::vector<std::pair<int, std::string>> pendingColumns_;
};

}  // namespace

TableDef parseLayout(std::string_view text) {
    return Parser().parse(text);
}

std::string formatSchema(const std::vector<FieldDef>& fields, int keyFieldCount,
                         const std::vector<IndexDef>& indexes) {
    std::string out;
    for (const FieldDef& f : fields)
        out += engine::cp1250ToUtf8(f.name) + "\t" + engine::typeLetter(f.type) + "\t" +
               std::to_string(f.size) + "\n";
    out += "key=" + std::to_string(keyFieldCount) + "\n";
    for (const IndexDef& index : indexes) {
        if (index.primary) continue;
        std::string columns;
        for (const std::string& c : index.fields)
            columns += (columns.empty() ? "" : ";") + engine::cp1250ToUtf8(c);
        std::string options;
        if (index.unique) options = "unique";
        if (index.caseInsensitive) options += options.empty() ? "nocase" : ",nocase";
        out += "index\t" + engine::cp1250ToUtf8(index.name) + "\t" + columns + "\t" +
               (options.empty() ? "-" : options) + "\n";
    }
    return out;
}

}  // namespace lumiro::tools
