#include "transfer/import_plan.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "engine/cp1250.h"

namespace lumiro::transfer {
namespace {

using engine::Table;
using engine::Value;

// How the primary key names a row: by itself, or (with a counter) within a card.
struct KeyShape {
    int keyCount = 0;
    int counter = -1;         // the key field that is the counter
    std::vector<int> card;    // the whole-number key fields before it (payer, employee)
    std::vector<int> others;  // the key fields between them and the counter (year, date)
};

KeyShape keyShape(const Table& table) {
    KeyShape shape;
    shape.keyCount = table.keyFieldCount();
    const auto& fields = table.fields();
    for (int f = 0; f < shape.keyCount; ++f)
        if (isCounter(fields[std::size_t(f)])) shape.counter = f;
    if (shape.counter < 0) return shape;
    bool inCard = true;
    for (int f = 0; f < shape.keyCount; ++f) {
        if (f == shape.counter) continue;
        const auto type = fields[std::size_t(f)].type;
        inCard = inCard && (type == engine::FieldType::Long || type == engine::FieldType::Short);
        (inCard ? shape.card : shape.others).push_back(f);
    }
    return shape;
}

// A row of a card as the plan sees it: as the table holds it, changed by the lines before, or
// as a line of the file adds it.
struct CardRow {
    std::int64_t counter = 0;   // 0: a row the file adds
    std::vector<Value> values;  // one for each of the file's columns (ImportRows::fields())
    std::ptrdiff_t line = -1;   // a row the file adds: the line, whose values it has
};

bool sameValues(const ImportRows& rows, std::size_t row, const CardRow& cardRow) {
    const std::size_t count = rows.row(row).count;
    for (std::size_t k = 0; k < count; ++k)
        if (cardRow.line >= 0 ? !rows.sameCell(row, k, std::size_t(cardRow.line))
                              : !rows.equals(row, k, cardRow.values[k]))
            return false;
    return true;
}

Value valueOf(const ImportRows& rows, const CardRow& cardRow, std::size_t k) {
    if (cardRow.line < 0) return cardRow.values[k];
    return k < rows.row(std::size_t(cardRow.line)).count ? rows.value(std::size_t(cardRow.line), k)
                                                         : Value{};
}

void applyRow(const ImportRows& rows, std::size_t row, CardRow& cardRow) {
    const std::size_t count = rows.row(row).count;
    for (std::size_t k = 0; k < count; ++k) cardRow.values[k] = rows.value(row, k);
}

QString yearText(const Value& value) {
    auto* text = std::get_if<std::string>(&value);
    return text ? QString::fromStdString(engine::cp1250ToUtf8(*text)) : QString();
}

class Planner {
  public:
    Planner(Table& table, const ImportRows& rows, int yearField, const Progress& progress)
        : table_(table),
          rows_(rows),
          shape_(keyShape(table)),
          reader_(table.session()),
          progress_(progress) {
        reader_.open(table.path(), engine::AccessMode::ReadOnly);
        plan_.actions.assign(rows.size(), RowAction::Add);
        yearColumn_ = yearField >= 0 ? rows.columnOf(yearField) : -1;
    }

    ImportPlan run() {
        if (shape_.counter >= 0 && !shape_.card.empty())
            planByCard();
        else
            planByKey();
        for (RowAction action : plan_.actions) {
            if (action == RowAction::Add) ++plan_.added;
            if (action == RowAction::Update) ++plan_.updated;
            if (action == RowAction::Present) ++plan_.present;
        }
        return std::move(plan_);
    }

  private:
    void step() {
        ++done_;
        if (progress_ && (done_ % 2048 == 0 || done_ == std::int64_t(rows_.size())))
            progress_(done_, std::int64_t(rows_.size()));
    }

    // Tables whose key is complete in every line (the cards): the key finds the record. A key
    // the file has had before changes what that earlier line wrote.
    void planByKey() {
        std::map<std::vector<Value>, bool> seen;
        const auto& fileFields = rows_.fields();
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            step();
            if (shape_.counter >= 0 && rows_.row(i).counter == 0) continue;  // always new
            std::vector<Value> key = rowKey(table_, rows_, i);
            if (seen.count(key)) {
                plan_.actions[i] = RowAction::Update;
            } else if (reader_.findKey(key)) {
                bool same = true;
                for (std::size_t k = 0; k < rows_.row(i).count && same; ++k)
                    same = rows_.equals(i, k, reader_.value(fileFields[k]));
                plan_.actions[i] = same ? RowAction::Present : RowAction::Update;
            }
            seen.emplace(std::move(key), true);
        }
    }

    std::vector<std::int64_t> cardOf(std::size_t row) const {
        std::vector<std::int64_t> card;
        for (int f : shape_.card)
            card.push_back(rows_.integer(row, std::size_t(rows_.columnOf(f))));
        return card;
    }

    // Detail rows: the lines of each card against that card's rows.
    void planByCard() {
        std::vector<std::size_t> order(rows_.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::vector<std::vector<std::int64_t>> cards(rows_.size());
        for (std::size_t i = 0; i < rows_.size(); ++i) cards[i] = cardOf(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return cards[a] < cards[b]; });
        for (std::size_t from = 0; from < order.size();) {
            std::size_t to = from + 1;
            while (to < order.size() && cards[order[to]] == cards[order[from]]) ++to;
            planCard(cards[order[from]],
                     std::vector<std::size_t>(order.begin() + std::ptrdiff_t(from),
                                              order.begin() + std::ptrdiff_t(to)));
            from = to;
        }
    }

    void planCard(const std::vector<std::int64_t>& card, const std::vector<std::size_t>& lines) {
        const auto& fileFields = rows_.fields();
        std::vector<CardRow> cardRows;
        std::vector<Value> prefix(card.begin(), card.end());
        if (reader_.findKey(prefix)) {
            for (; !reader_.eof(); reader_.next()) {
                bool same = true;
                for (std::size_t c = 0; c < shape_.card.size() && same; ++c)
                    same = reader_.asInteger(shape_.card[c]) == card[c];
                if (!same) break;
                CardRow cardRow{reader_.asInteger(shape_.counter), {}};
                cardRow.values.reserve(fileFields.size());
                for (int f : fileFields) cardRow.values.push_back(reader_.value(f));
                cardRows.push_back(std::move(cardRow));
            }
        }
        std::map<QString, int> yearsBefore;
        if (yearColumn_ >= 0)
            for (const CardRow& r : cardRows)
                ++yearsBefore[yearText(r.values[std::size_t(yearColumn_)])];

        std::unordered_map<std::int64_t, std::size_t> byCounter;
        for (std::size_t r = 0; r < cardRows.size(); ++r) byCounter.emplace(cardRows[r].counter, r);
        // The lines that give a card a year: added, or updated to another year.
        std::vector<std::size_t> yearLines;
        for (std::size_t i : lines) {
            step();
            const std::int64_t counter = rows_.row(i).counter;
            const auto named = counter != 0 ? byCounter.find(counter) : byCounter.end();
            if (named != byCounter.end()) {
                CardRow& target = cardRows[named->second];
                if (sameValues(rows_, i, target)) {
                    plan_.actions[i] = RowAction::Present;
                    continue;
                }
                bool moved = false;
                for (int f : shape_.others) {
                    const auto k = std::size_t(rows_.columnOf(f));
                    moved = moved || !rows_.equals(i, k, target.values[k]);
                }
                if (moved) {
                    std::vector<Value> key(prefix);
                    for (int f : shape_.others)
                        key.push_back(target.values[std::size_t(rows_.columnOf(f))]);
                    key.push_back(Value{counter});
                    plan_.keyOfRecord[i] = std::move(key);
                }
                if (yearColumn_ >= 0 && !rows_.equals(i, std::size_t(yearColumn_),
                                                      target.values[std::size_t(yearColumn_)]))
                    yearLines.push_back(i);
                plan_.actions[i] = RowAction::Update;
                applyRow(rows_, i, target);
                continue;
            }
            const bool known = std::any_of(cardRows.begin(), cardRows.end(), [&](const CardRow& r) {
                return sameValues(rows_, i, r);
            });
            if (known) {
                plan_.actions[i] = RowAction::Present;
                continue;
            }
            plan_.actions[i] = RowAction::Add;
            cardRows.push_back({0, {}, std::ptrdiff_t(i)});
            if (yearColumn_ >= 0) yearLines.push_back(i);
        }

        if (yearColumn_ >= 0 && !yearLines.empty()) {
            std::map<QString, int> yearsAfter;
            for (const CardRow& r : cardRows)
                ++yearsAfter[yearText(valueOf(rows_, r, std::size_t(yearColumn_)))];
            for (std::size_t i : yearLines) {
                const QString year = yearText(rows_.value(i, std::size_t(yearColumn_)));
                if (yearsAfter[year] > 1 && yearsAfter[year] > yearsBefore[year])
                    plan_.sameYear.push_back({card.size() > 0 ? card[0] : 0,
                                              card.size() > 1 ? card[1] : 0, year,
                                              rows_.row(i).line});
            }
        }
        plan_.cards.push_back({card.size() > 0 ? card[0] : 0, card.size() > 1 ? card[1] : 0,
                               std::int64_t(cardRows.size())});
    }

    Table& table_;
    const ImportRows& rows_;
    KeyShape shape_;
    Table reader_;
    const Progress& progress_;
    ImportPlan plan_;
    int yearColumn_ = -1;
    std::int64_t done_ = 0;
};

}  // namespace

std::vector<Value> rowKey(const Table& table, const ImportRows& rows, std::size_t row) {
    std::vector<Value> key;
    const int keyCount = table.keyFieldCount();
    const auto& fields = table.fields();
    for (int f = 0; f < keyCount; ++f) {
        if (isCounter(fields[std::size_t(f)]))
            key.push_back(Value{rows.row(row).counter});
        else
            key.push_back(rows.value(row, std::size_t(rows.columnOf(f))));
    }
    return key;
}

ImportPlan planImport(Table& table, const ImportRows& rows, int yearField,
                      const Progress& progress) {
    return Planner(table, rows, yearField, progress).run();
}

}  // namespace lumiro::transfer
