// Export of a whole table to the text file and the writing of a planned import. Import writes
// every line in one batch, so that a failed write leaves the table as it was and the same file
// can be imported again once it is corrected. Both work through a cursor of their own on the
// table's file, so that the data module's cursor, its links and its handlers stay untouched.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/env.h"
#include "engine/table.h"
#include "transfer/import_plan.h"

namespace lumiro::transfer {

// Key values as the user reads them: "1, 77".
QString keyText(const std::vector<engine::Value>& key);

struct ExportColumn {
    int field = -1;   // in the table
    QString heading;  // the name the file gives it
};

// The whole file: the heading and every record of the table at `tablePath` in primary-key
// order, each value followed by ";" and each line by CR LF, values that hold ";", quotes or
// line breaks quoted. `records` receives the number of records written.
std::string exportText(engine::Session& session, const std::string& tablePath,
                       const std::vector<ExportColumn>& columns, TextEncoding encoding,
                       std::int64_t* records = nullptr, const Progress& progress = {});

// Gives the file at `path` (in a folder of the user's) the content `bytes`, so that a failure
// at any instant leaves the old file or the new one: a temporary file of a name nobody else
// uses is made beside it, synced and renamed over it. Nothing else in the folder is touched.
void writeUserFile(engine::Env& env, const std::string& path, const std::string& bytes);

// A row whose master record (the employee card of a detail row, the payer of a card) is
// missing: the line and the values of the linking columns.
struct MissingMaster {
    int line = 0;
    std::vector<engine::Value> key;
};

// The rows whose linking columns `fields` (of the imported table) name no record of the
// master table at `masterPath`, whose primary key they match in order. Rows the plan leaves
// out are not listed.
std::vector<MissingMaster> findMissingMasters(engine::Session& session,
                                              const std::string& masterPath,
                                              const std::vector<int>& fields,
                                              const ImportRows& rows, const ImportPlan& plan);

// Writes the plan in one batch through a cursor of its own on the table at `tablePath`. A
// failure drops the whole batch and throws TransferError naming the line.
void writeImport(engine::Session& session, const std::string& tablePath, const ImportRows& rows,
                 const ImportPlan& plan, const Progress& progress = {});

}  // namespace lumiro::transfer
