#include "transfer/table_transfer.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <span>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/session.h"
#include "transfer/column_text.h"

namespace lumiro::transfer {
namespace {

using engine::Table;
using engine::Value;

// The number of progress reports a run makes at most, so that a long run stays fast.
constexpr std::int64_t kProgressSteps = 200;

void report(const Progress& progress, std::int64_t done, std::int64_t total) {
    if (!progress || total <= 0) return;
    const std::int64_t every = std::max<std::int64_t>(1, total / kProgressSteps);
    if (done % every == 0 || done == total) progress(done, total);
}

}  // namespace

QString keyText(const std::vector<Value>& key) {
    QStringList parts;
    for (const Value& v : key) {
        if (auto* i = std::get_if<std::int64_t>(&v))
            parts << QString::number(*i);
        else if (auto* s = std::get_if<std::string>(&v))
            parts << QString::fromStdString(engine::cp1250ToUtf8(*s));
        else
            parts << QStringLiteral("(brak)");
    }
    return parts.join(QStringLiteral(", "));
}

std::string exportText(engine::Session& session, const std::string& tablePath,
                       const std::vector<ExportColumn>& columns, TextEncoding encoding,
                       std::int64_t* records, const Progress& progress) {
    Table table(session);
    table.open(tablePath, engine::AccessMode::ReadOnly);
    std::string text = encoding == TextEncoding::Utf8 ? "\xEF\xBB\xBF" : "";
    for (const ExportColumn& column : columns)
        appendValue(text, fromDisplay(column.heading, encoding));
    endRecord(text);
    const std::int64_t total = table.recordCount();
    std::int64_t done = 0;
    const auto& fields = table.fields();
    for (table.first(); !table.eof(); table.next()) {
        for (const ExportColumn& column : columns)
            appendValue(text, valueText(fields.at(std::size_t(column.field)),
                                        table.value(column.field), encoding));
        endRecord(text);
        // Room for the whole file as the first records foretell it, so that it is not copied
        // over and over as it grows.
        if (++done == 64 && total > done)
            text.reserve(std::size_t(double(text.size()) * double(total) / double(done) * 1.1));
        report(progress, done, total);
    }
    if (records) *records = done;
    return text;
}

void writeUserFile(engine::Env& env, const std::string& path, const std::string& bytes) {
    const std::string folder = engine::dirName(path);
    // A hidden name with a random part, created only if nothing has it, so that no file of the
    // user's is ever opened, let alone replaced or removed, but the chosen one.
    std::mt19937_64 random(
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::string temporary;
    std::unique_ptr<engine::File> file;
    for (int attempt = 0; !file; ++attempt) {
        temporary =
            engine::joinPath(folder, "." + engine::baseName(path) + "." +
                                         std::to_string(random() % 1000000000) + ".lumiro-tmp");
        try {
            file = env.open(temporary, engine::OpenMode::CreateNew);
        } catch (const engine::EngineError& error) {
            if (error.code() != engine::ErrorCode::AlreadyExists || attempt >= 20) throw;
        }
    }
    try {
        file->write(0, std::as_bytes(std::span(bytes.data(), bytes.size())));
        file->sync();
        file.reset();
        env.rename(temporary, path);
    } catch (...) {
        file.reset();
        try {
            env.remove(temporary);  // ours: made above with CreateNew
        } catch (...) {
        }
        throw;
    }
    env.syncDir(folder);
}

std::vector<MissingMaster> findMissingMasters(engine::Session& session,
                                              const std::string& masterPath,
                                              const std::vector<int>& fields,
                                              const ImportRows& rows, const ImportPlan& plan) {
    std::vector<MissingMaster> missing;
    if (rows.size() == 0 || fields.empty()) return missing;
    std::vector<int> columns;
    for (int f : fields) {
        const int k = rows.columnOf(f);
        if (k < 0) return missing;  // not in the file: the lines cannot name a master
        columns.push_back(k);
    }
    Table master(session);
    master.open(masterPath, engine::AccessMode::ReadOnly);
    std::map<std::vector<Value>, bool> known;
    // Lines of one card mostly follow each other: the last answer is asked first.
    std::vector<Value> lastKey;
    bool lastFound = true;
    std::vector<Value> key;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (plan.actions[i] == RowAction::Present) continue;
        key.clear();
        for (int k : columns) key.push_back(rows.value(i, std::size_t(k)));
        if (key != lastKey) {
            auto it = known.find(key);
            if (it == known.end()) {
                const bool complete = std::none_of(
                    key.begin(), key.end(), [](const Value& v) { return engine::isNull(v); });
                it = known.emplace(key, complete && master.findKey(key)).first;
            }
            lastKey = key;
            lastFound = it->second;
        }
        if (!lastFound) missing.push_back({rows.row(i).line, key});
    }
    return missing;
}

void writeImport(engine::Session& session, const std::string& tablePath, const ImportRows& rows,
                 const ImportPlan& plan, const Progress& progress) {
    Table table(session);
    table.open(tablePath);
    const auto& fields = rows.fields();
    const std::int64_t total = plan.added + plan.updated;
    int line = 0;
    table.beginBatch();
    try {
        std::int64_t done = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const RowAction action = plan.actions[i];
            if (action == RowAction::Present) continue;
            line = rows.row(i).line;
            if (action == RowAction::Update) {
                const auto moved = plan.keyOfRecord.find(i);
                if (!table.findKey(moved != plan.keyOfRecord.end() ? moved->second
                                                                   : rowKey(table, rows, i)))
                    throw TransferError(
                        QStringLiteral("rekord, który wiersz zmienia, został "
                                       "usunięty w trakcie importu"));
                table.edit();
            } else {
                table.insert();
            }
            const std::size_t count = rows.row(i).count;
            for (std::size_t k = 0; k < count; ++k) table.setValue(fields[k], rows.value(i, k));
            table.post();
            report(progress, ++done, total);
        }
        line = 0;
        table.endBatch();
    } catch (const std::exception& error) {
        // Whatever failed, nothing of the file stays: no line is stored that a second import
        // would store again.
        try {
            table.abortBatch();
        } catch (...) {
        }
        const QString reason = QString::fromUtf8(error.what());
        throw TransferError(
            line > 0 ? QStringLiteral("Wiersz %1 pliku nie został zapisany: %2\nŻaden wiersz pliku "
                                      "nie został zapisany.")
                           .arg(line)
                           .arg(reason)
                     : QStringLiteral("Zapis pliku do tabeli nie powiódł się: %1\nŻaden wiersz "
                                      "pliku nie został zapisany.")
                           .arg(reason));
    }
}

}  // namespace lumiro::transfer
