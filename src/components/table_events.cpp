#include "components/table_events.h"

#include <map>
#include <utility>
#include <vector>

namespace lumiro::components {

namespace {

struct Hub {
    engine::Table* table = nullptr;
    std::function<void(engine::Table&)> previousState;
    std::function<void(engine::Table&)> previousInsert;
    std::function<void(engine::Table&, int)> previousData;
    std::function<void(engine::Table&)> previousScroll;
    std::function<void(engine::Table&)> previousUpdate;
    std::vector<std::pair<int, std::shared_ptr<TableListener>>> listeners;
    int nextId = 1;
};

// The engine runs on the user-interface thread only, so one plain registry suffices.
std::map<const engine::Table*, std::unique_ptr<Hub>>& hubs() {
    static std::map<const engine::Table*, std::unique_ptr<Hub>> registry;
    return registry;
}

// Named functors rather than lambdas, so that a hub can recognise its own callbacks when it
// hands the table back.
struct StateDispatch {
    Hub* hub;
    void operator()(engine::Table& t) const;
};
struct InsertDispatch {
    Hub* hub;
    void operator()(engine::Table& t) const;
};
struct DataDispatch {
    Hub* hub;
    void operator()(engine::Table& t, int field) const;
};
struct ScrollDispatch {
    Hub* hub;
    void operator()(engine::Table& t) const;
};
struct UpdateDispatch {
    Hub* hub;
    void operator()(engine::Table& t) const;
};

// Listeners may subscribe or leave while an event is delivered; each delivery works on a
// snapshot and skips listeners that left meanwhile.
template <typename Member, typename... Args>
void deliver(Hub* hub, Member member, Args&... args) {
    auto snapshot = hub->listeners;
    for (auto& [id, listener] : snapshot) {
        bool stillThere = false;
        for (auto& entry : hub->listeners)
            if (entry.first == id) stillThere = true;
        if (stillThere && (*listener).*member) ((*listener).*member)(args...);
    }
}

void StateDispatch::operator()(engine::Table& t) const {
    if (hub->previousState) hub->previousState(t);
    deliver(hub, &TableListener::stateChanged, t);
}
void InsertDispatch::operator()(engine::Table& t) const {
    if (hub->previousInsert) hub->previousInsert(t);
    deliver(hub, &TableListener::inserted, t);
}
void DataDispatch::operator()(engine::Table& t, int field) const {
    if (hub->previousData) hub->previousData(t, field);
    deliver(hub, &TableListener::dataChanged, t, field);
}
void ScrollDispatch::operator()(engine::Table& t) const {
    if (hub->previousScroll) hub->previousScroll(t);
    deliver(hub, &TableListener::scrolled, t);
}
void UpdateDispatch::operator()(engine::Table& t) const {
    if (hub->previousUpdate) hub->previousUpdate(t);
    deliver(hub, &TableListener::updateRecord, t);
}

Hub& hubFor(engine::Table& table) {
    auto& registry = hubs();
    auto it = registry.find(&table);
    if (it != registry.end()) return *it->second;
    auto hub = std::make_unique<Hub>();
    hub->table = &table;
    hub->previousState = std::move(table.onStateChange);
    hub->previousInsert = std::move(table.afterInsert);
    hub->previousData = std::move(table.onDataChange);
    hub->previousScroll = std::move(table.afterScroll);
    hub->previousUpdate = std::move(table.onUpdateRecord);
    table.onStateChange = StateDispatch{hub.get()};
    table.afterInsert = InsertDispatch{hub.get()};
    table.onDataChange = DataDispatch{hub.get()};
    table.afterScroll = ScrollDispatch{hub.get()};
    table.onUpdateRecord = UpdateDispatch{hub.get()};
    Hub& result = *hub;
    registry.emplace(&table, std::move(hub));
    return result;
}

template <typename Functor, typename Callback, typename Previous>
void handBack(Callback& callback, Previous& previous) {
    if (callback.template target<Functor>()) callback = std::move(previous);
}

void unsubscribe(engine::Table* table, int id) {
    auto& registry = hubs();
    auto it = registry.find(table);
    if (it == registry.end()) return;
    Hub& hub = *it->second;
    std::erase_if(hub.listeners, [id](const auto& entry) { return entry.first == id; });
    if (!hub.listeners.empty()) return;
    handBack<StateDispatch>(table->onStateChange, hub.previousState);
    handBack<InsertDispatch>(table->afterInsert, hub.previousInsert);
    handBack<DataDispatch>(table->onDataChange, hub.previousData);
    handBack<ScrollDispatch>(table->afterScroll, hub.previousScroll);
    handBack<UpdateDispatch>(table->onUpdateRecord, hub.previousUpdate);
    registry.erase(it);
}

}  // namespace

TableSubscription::TableSubscription(TableSubscription&& other) noexcept
    : table_(std::exchange(other.table_, nullptr)), id_(other.id_) {}

TableSubscription& TableSubscription::operator=(TableSubscription&& other) noexcept {
    if (this != &other) {
        reset();
        table_ = std::exchange(other.table_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

void TableSubscription::reset() {
    if (table_) unsubscribe(std::exchange(table_, nullptr), id_);
}

TableSubscription TableEvents::subscribe(engine::Table& table, TableListener listener) {
    Hub& hub = hubFor(table);
    const int id = hub.nextId++;
    hub.listeners.emplace_back(id, std::make_shared<TableListener>(std::move(listener)));
    return TableSubscription(&table, id);
}

int TableEvents::listenerCount(const engine::Table& table) {
    auto& registry = hubs();
    auto it = registry.find(&table);
    return it == registry.end() ? 0 : int(it->second->listeners.size());
}

}  // namespace lumiro::components
