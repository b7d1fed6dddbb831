#include "maintenance/index_repair.h"

#include <algorithm>
#include <cctype>

#include "data/data_files.h"
#include "data/table_text.h"
#include "engine/error.h"
#include "engine/file_names.h"
#include "engine/table.h"

namespace lumiro::maintenance {
namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

// Characters `from` to `to` (from 1, both included) of the line.
std::string columns(const std::string& line, std::size_t from, std::size_t to) {
    if (line.size() < from) return {};
    return line.substr(from - 1, std::min(line.size(), to) - (from - 1));
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// The files repair keeps: the table, its memo file, its structure description, "XE" files
// and its journal, which may still hold acknowledged changes.
bool kept(const std::string& name) {
    const std::string u = upper(name);
    auto endsWith = [&](const char* tail) {
        const std::string t = tail;
        return u.size() >= t.size() && u.compare(u.size() - t.size(), t.size(), t) == 0;
    };
    return endsWith("DB") || endsWith("MB") || endsWith("TR") || endsWith("XE") || endsWith(".JNL");
}

bool indexFile(const std::string& name) {
    const auto dot = name.find_last_of('.');
    const std::string e = upper(dot == std::string::npos ? std::string() : name.substr(dot + 1));
    if (e == "PX") return true;
    if (e.size() != 3 || (e[0] != 'X' && e[0] != 'Y')) return false;
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    return (e[1] == 'G' && hex(e[2])) || (hex(e[1]) && hex(e[2]));
}

QString cp1250(const std::string& bytes) {
    return data::fromTable(bytes);
}

// The secondary indexes of the description the engine could not build on the table, each
// as a report line that says why.
QStringList indexesLeftOut(engine::Table& table, const std::vector<engine::IndexDef>& defs) {
    QStringList out;
    const std::vector<engine::IndexDef> built = table.indexes();
    for (const engine::IndexDef& def : defs) {
        if (def.primary) continue;
        const bool there = std::any_of(built.begin(), built.end(), [&](const engine::IndexDef& b) {
            return !b.primary && upper(b.name) == upper(def.name);
        });
        if (there) continue;
        std::string columns;
        QString why;
        for (const std::string& f : def.fields) {
            columns += (columns.empty() ? "" : ";") + f;
            if (why.isEmpty() && table.fieldIndex(f) < 0)
                why = QStringLiteral("tabela nie ma pola %1").arg(cp1250(f));
        }
        if (def.fields.empty()) why = QStringLiteral("opis nie podaje pól");
        if (why.isEmpty()) why = QStringLiteral("nie pasuje do tabeli");
        out.append(QStringLiteral("   pominięto indeks %1 (%2): %3.")
                       .arg(cp1250(def.name), cp1250(columns), why));
    }
    return out;
}

}  // namespace

std::vector<engine::IndexDef> indexesOfDescription(const std::string& bytes) {
    std::vector<engine::IndexDef> defs;
    bool indexes = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!indexes) {
            indexes = line.compare(0, 7, "INDEKSY") == 0;
            continue;
        }
        if (line.compare(0, 5, "Nazwa") != 0) continue;
        std::string name = columns(line, 7, 46);
        name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
        engine::IndexDef def;
        def.name = name;
        const std::string list = trimmed(columns(line, 52, 91));
        std::size_t from = 0;
        while (from <= list.size()) {
            std::size_t semi = list.find(';', from);
            if (semi == std::string::npos) semi = list.size();
            const std::string column = trimmed(list.substr(from, semi - from));
            if (!column.empty()) def.fields.push_back(column);
            from = semi + 1;
        }
        if (name.empty()) {
            def.primary = def.unique = true;
        } else {
            def.caseInsensitive = true;
        }
        defs.push_back(std::move(def));
    }
    return defs;
}

bool IndexRepair::run(engine::Env& env, const QStringList& tables, const Report& line) {
    line(QStringLiteral("Bazy danych używane w programie:"), false);
    for (const QString& t : tables) line(t, false);
    line(QStringLiteral("Odtwarzanie baz danych używanych w programie:"), false);
    engine::Session session("NAPRAWA", env);
    for (const QString& name : tables) {
        line(name + QStringLiteral(" ..."), false);
        const auto failed = [&] { line(name + QStringLiteral(" nienaprawiono."), true); };
        const std::string dataPath =
            session.resolveDataPath(data::enginePath(name + QStringLiteral(".DB")));
        const auto description = data::findCompanion(session, dataPath, ".STR");
        std::optional<QByteArray> text;
        try {
            if (description) text = data::readFile(env, *description);
        } catch (const engine::EngineError&) {
        }
        if (!text) {
            failed();
            continue;
        }
        engine::Table table(session);
        try {
            table.open(dataPath, engine::AccessMode::Exclusive);
        } catch (const engine::EngineError&) {
            // Another program has it, or it cannot be read: its files stay as they are.
            failed();
            continue;
        }
        try {
            // Companions other than the kept ones and the index files, which the engine
            // replaces itself, go.
            for (const std::string& file : session.companionFiles(dataPath)) {
                const std::string base = engine::baseName(file);
                if (!kept(base) && !indexFile(base)) env.remove(file);
            }
            const std::vector<engine::IndexDef> defs = indexesOfDescription(text->toStdString());
            table.replaceIndexes(defs);
            const QStringList left = indexesLeftOut(table, defs);
            table.close();
            if (!left.isEmpty()) {
                line(name + QStringLiteral(" naprawiono częściowo."), true);
                for (const QString& l : left) line(l, false);
                continue;
            }
        } catch (const std::exception& e) {
            line(name + QStringLiteral(" nienaprawiono."), true);
            line(QString::fromUtf8(e.what()), false);
            return false;
        }
        line(name + QStringLiteral(" naprawiono."), true);
    }
    line(QStringLiteral("KONIEC"), false);
    return true;
}

}  // namespace lumiro::maintenance
