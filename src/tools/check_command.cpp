#include "commands.h"
#include "engine/session.h"
#include "layout.h"
#include "table_maintenance.h"
#include "tool_error.h"

namespace lumiro::tools {

int runCheck(const std::string& tablePath, std::ostream& out) {
    engine::Session session("lumiro-db");
    VerifyReport report = verifyTable(session, tablePath);
    for (const std::string& problem : report.problems) out << problem << '\n';
    if (!report.problems.empty()) {
        out << "Liczba błędów: " << report.problems.size()
            << ". Błędy samych indeksów naprawi „lumiro-db reindex”.\n";
        return kExitFailure;
    }
    out << "W porządku. Rekordy: " << report.records << ", indeksy dodatkowe: " << report.indexes
        << ".\n";
    return kExitOk;
}

int runReindex(const std::string& tablePath, const std::string* layoutFile, std::ostream& out) {
    std::vector<engine::IndexDef> secondary;
    if (layoutFile) {
        for (engine::IndexDef& index : parseLayout(readWholeFile(*layoutFile)).indexes)
            if (!index.primary) secondary.push_back(std::move(index));
    }
    engine::Session session("lumiro-db");
    rebuildIndexes(session, tablePath, secondary);
    out << "Indeksy tabeli " << session.resolveDataPath(tablePath) << " odbudowano.\n";
    return kExitOk;
}

}  // namespace lumiro::tools
