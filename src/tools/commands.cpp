#include "commands.h"

#include <fstream>
#include <new>
#include <sstream>

#include <unistd.h>

#include "arguments.h"
#include "cell_text.h"
#include "engine/cp1250.h"
#include "engine/env.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "layout.h"
#include "tool_error.h"
#include "tsv.h"

namespace lumiro::tools {

using engine::AccessMode;
using engine::Session;
using engine::Table;

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError("Nie można otworzyć pliku " + path + ".");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ToolError("Nie można odczytać pliku " + path + ".");
    return text.str();
}

int runSchema(const std::string& tablePath, std::ostream& out) {
    Session session("lumiro-db");
    Table table(session);
    table.open(tablePath, AccessMode::ReadOnly);
    std::vector<engine::FieldDef> fields(table.fields().begin(),
                                         table.fields().begin() + table.storedFieldCount());
    out << formatSchema(fields, table.keyFieldCount(), table.indexes());
    return kExitOk;
}

int runDump(const std::string& tablePath, std::ostream& out) {
    Session session("lumiro-db");
    Table table(session);
    // A freshly opened cursor reads in primary-key order (physical order when unkeyed).
    table.open(tablePath, AccessMode::ReadOnly);
    const int columns = table.storedFieldCount();
    const auto& fields = table.fields();
    std::vector<std::string> cells(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) cells[std::size_t(i)] = engine::cp1250ToUtf8(fields[i].name);
    out << joinRow(cells) << '\n';
    for (table.first(); !table.eof(); table.next()) {
        for (int i = 0; i < columns; ++i)
            cells[std::size_t(i)] = cellFromValue(fields[std::size_t(i)], table.value(i));
        out << joinRow(cells) << '\n';
    }
    out.flush();
    return kExitOk;
}

int runCreate(const std::string& tablePath, const std::string& layoutFile, std::ostream& out) {
    engine::TableDef def = parseLayout(readWholeFile(layoutFile));
    Session session("lumiro-db");
    std::string dataPath = session.resolveDataPath(tablePath);
    if (session.tableExists(dataPath)) throw ToolError("Tabela " + dataPath + " już istnieje.");
    // Built under a private name and renamed at the end, so that a failure half-way leaves
    // no table under the wanted name and never touches someone else's.
    std::string stem = engine::baseName(dataPath);
    if (stem.size() > 3) stem.resize(stem.size() - 3);
    std::string temp = engine::joinPath(engine::dirName(dataPath),
                                        "_tmp" + std::to_string(::getpid()) + "_" + stem + ".DB");
    try {
        session.createTable(temp, def);
        session.renameTable(temp, dataPath);
    } catch (...) {
        try {
            session.deleteTable(temp);
        } catch (const engine::EngineError&) {
        }
        throw;
    }
    out << "Utworzono tabelę " << dataPath << ".\n";
    return kExitOk;
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Invocation inv = parseArguments(args);
        const auto& ops = inv.operands;
        switch (inv.command) {
            case Command::Help:
                out << usageText();
                return kExitOk;
            case Command::Schema:
                return runSchema(ops[0], out);
            case Command::Dump:
                return runDump(ops[0], out);
            case Command::Create:
                return runCreate(ops[0], ops[1], out);
            case Command::Load:
                return runLoad(ops[0], ops[1], out);
            case Command::Check:
                return runCheck(ops[0], out);
            case Command::Reindex:
                return runReindex(ops[0], ops.size() > 1 ? &ops[1] : nullptr, out);
        }
        return kExitUsage;
    } catch (const ToolError& e) {
        out.flush();
        err << "lumiro-db: " << e.what() << '\n';
        return e.exitCode();
    } catch (const engine::EngineError& e) {
        out.flush();
        err << "lumiro-db: " << e.what() << '\n';
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        out.flush();
        err << "lumiro-db: zabrakło pamięci.\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        out.flush();
        err << "lumiro-db: nieoczekiwany błąd: " << e.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace lumiro::tools
