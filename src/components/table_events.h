// The engine's cursor offers one callback per event; a table is watched at once by the data
// module, several data sources and grids. TableEvents sits between them: it takes over the
// callbacks a table already has, calls them first, then every listener, in the order they
// subscribed.
#pragma once

#include <functional>
#include <memory>

#include "engine/table.h"

namespace lumiro::components {

class TableEvents;

// Ends the listener's subscription when destroyed (or reset). Movable, not copyable.
class TableSubscription {
  public:
    TableSubscription() = default;
    TableSubscription(TableSubscription&& other) noexcept;
    TableSubscription& operator=(TableSubscription&& other) noexcept;
    TableSubscription(const TableSubscription&) = delete;
    TableSubscription& operator=(const TableSubscription&) = delete;
    ~TableSubscription() { reset(); }
    void reset();
    bool active() const { return table_ != nullptr; }

  private:
    friend class TableEvents;
    TableSubscription(engine::Table* table, int id) : table_(table), id_(id) {}
    engine::Table* table_ = nullptr;
    int id_ = 0;
};

struct TableListener {
    std::function<void(engine::Table&)> stateChanged;
    std::function<void(engine::Table&)> inserted;
    std::function<void(engine::Table&, int field)> dataChanged;  // field -1: whole record
    std::function<void(engine::Table&)> scrolled;
    // The record is about to be posted or left: write typed text into its buffer now.
    std::function<void(engine::Table&)> updateRecord;
};

class TableEvents {
  public:
    // The table must outlive the subscription. When the last listener of a table leaves, the
    // table gets back the callbacks it had before, unless someone replaced ours meanwhile.
    static TableSubscription subscribe(engine::Table& table, TableListener listener);
    // Listeners currently attached to the table (for tests and diagnostics).
    static int listenerCount(const engine::Table& table);
};

}  // namespace lumiro::components
