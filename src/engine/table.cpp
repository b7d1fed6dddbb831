// A cursor over a table: opening, structure, index order, range and filter, movement and
// search. Editing and column access are in table_editing.cpp.
#include "table.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "error.h"
#include "paradox_format.h"
#include "session.h"
#include "table_file.h"
#include "value_text.h"

namespace lumiro::engine {

namespace {

bool startsWith(std::span<const std::byte> key, std::span<const std::byte> prefix) {
    return key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), key.begin());
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : list) {
        if (c == ';' || c == ',') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

}  // namespace

Table::Table(Session& session) : session_(session) {
    session_.attach(this);
}

Table::~Table() {
    // Handlers belong to owners that may already be gone.
    onStateChange = nullptr;
    afterInsert = nullptr;
    onDataChange = nullptr;
    afterScroll = nullptr;
    onUpdateRecord = nullptr;
    calc_ = nullptr;
    filter_ = nullptr;
    try {
        close();
    } catch (...) {
        // A pending edit that cannot be posted is lost with the cursor; nothing on disk
        // is half written.
    }
    session_.detach(this);
    if (master_) {
        auto& d = master_->details_;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    for (Table* d : details_) d->master_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// Opening

void Table::open(const std::string& path, AccessMode mode) {
    if (isOpen()) close();
    if (!session_.active()) session_.setActive(true);
    std::string resolved = session_.resolveDataPath(path);
    file_ = session_.acquire(resolved, int(mode));
    path_ = resolved;
    mode_ = mode;
    order_ = kPrimaryOrder;
    indexName_.clear();
    rebuildFieldList();
    buffer_.assign(file_->recordSize(), std::byte{0});
    calcValues_.assign(calcFields_.size(), Value{});
    state_ = TableState::Browse;
    if (master_ && !fieldsLeadOrder(detailFields_)) chooseOrderFor(detailFields_);
    if (onStateChange) onStateChange(*this);
    first();
}

void Table::close() {
    if (!isOpen()) return;
    updateRecord();
    std::exception_ptr pending;
    if (state_ == TableState::Edit || state_ == TableState::Insert) {
        try {
            post();
        } catch (...) {
            pending = std::current_exception();
            state_ = TableState::Browse;
        }
    }
    while (batchDepth_ > 0) endBatch();
    file_.reset();
    state_ = TableState::Inactive;
    curKey_.clear();
    buffer_.clear();
    eof_ = bof_ = true;
    if (onStateChange) onStateChange(*this);
    for (Table* d : details_)
        if (d->isOpen()) d->followMaster();
    if (pending) std::rethrow_exception(pending);
}

bool Table::isOpen() const {
    return file_ != nullptr;
}

void Table::requireOpen() const {
    if (!file_) fail(ErrorCode::InvalidState, "Tabela nie jest otwarta.");
}

// ---------------------------------------------------------------------------------------
// Structure

void Table::rebuildFieldList() {
    allFields_.clear();
    if (file_) allFields_ = file_->fields();
    for (const auto& c : calcFields_) allFields_.push_back(c);
}

const std::vector<FieldDef>& Table::fields() const {
    return allFields_;
}

int Table::storedFieldCount() const {
    return file_ ? int(file_->fields().size()) : 0;
}

int Table::fieldIndex(const std::string& name) const {
    auto up = [](std::string s) {
        for (auto& c : s)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return s;
    };
    std::string u = up(name);
    for (std::size_t i = 0; i < allFields_.size(); ++i)
        if (up(allFields_[i].name) == u) return int(i);
    return -1;
}

int Table::field(const std::string& name) const {
    int i = fieldIndex(name);
    if (i < 0)
        fail(ErrorCode::InvalidArgument,
             "Tabela " + (path_.empty() ? std::string("?") : path_) + " nie ma pola " + name + ".");
    return i;
}

std::vector<IndexDef> Table::indexes() const {
    requireOpen();
    return file_->indexDefs();
}

int Table::keyFieldCount() const {
    requireOpen();
    return file_->header().keyFieldCount;
}

void Table::addIndex(const IndexDef& def) {
    requireOpen();
    requireWritable();
    checkBrowseMode();
    file_->addIndex(def);
}

void Table::replaceIndexes(const std::vector<IndexDef>& defs) {
    requireOpen();
    requireWritable();
    checkBrowseMode();
    file_->replaceIndexes(defs);
    order_ = kPrimaryOrder;
    indexName_.clear();
    first();
}

void Table::checkpoint() {
    requireOpen();
    file_->checkpoint();
}

void Table::rebuildIndexes() {
    requireOpen();
    requireWritable();
    checkBrowseMode();
    file_->rebuildIndexes();
    order_ = kPrimaryOrder;
    indexName_.clear();
    first();
}

std::vector<std::string> Table::verify(bool everyEntry) {
    requireOpen();
    return file_->verify(everyEntry);
}

void Table::addCalculatedField(const std::string& name, FieldType type, int size) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    calcFields_.push_back(f);
    calcValues_.assign(calcFields_.size(), Value{});
    rebuildFieldList();
}

void Table::setCalcFields(std::function<void(Table&)> callback) {
    calc_ = std::move(callback);
    if (isOpen()) recalc();
}

// ---------------------------------------------------------------------------------------
// Index order

void Table::setIndexName(const std::string& name) {
    requireOpen();
    checkBrowseMode();
    int order = file_->indexByName(name);
    switchOrder(order);
    indexName_ = order == kPrimaryOrder ? std::string() : file_->secondary(order).def.name;
}

void Table::setIndexFields(const std::string& fieldList) {
    requireOpen();
    checkBrowseMode();
    std::vector<int> nos;
    for (const auto& n : splitList(fieldList)) nos.push_back(field(n));
    int order = nos.empty() ? kPrimaryOrder : file_->indexByFields(nos);
    switchOrder(order);
    indexName_ = order == kPrimaryOrder ? std::string() : file_->secondary(order).def.name;
}

void Table::switchOrder(int order) {
    if (master_ && linkActive_) {
        auto f = file_->orderFields(order);
        if (f.size() < detailFields_.size() ||
            !std::equal(detailFields_.begin(), detailFields_.end(), f.begin()))
            fail(ErrorCode::InvalidArgument,
                 "Indeks tabeli " + path_ +
                     " musi zaczynać się od pól powiązania z tabelą nadrzędną.");
    }
    bool had = !curKey_.empty();
    order_ = order;
    updateRange();
    if (had) {
        // Keep the same record current in the new order. A table without a key has only its
        // physical order, where the record's entry key is its position.
        auto key =
            order_ == kPrimaryOrder && !file_->keyed() ? curKey_ : file_->keyOf(order_, buffer_);
        auto e = scan(file_->seek(order_, key, TableFile::Seek::GE), true);
        if (e) {
            setCurrent(*e);
            bof_ = eof_ = false;
            notifyScroll();
            return;
        }
    }
    first();
}

bool Table::fieldsLeadOrder(const std::vector<int>& fieldNos) const {
    if (!file_) return true;
    auto f = file_->orderFields(order_);
    return f.size() >= fieldNos.size() && std::equal(fieldNos.begin(), fieldNos.end(), f.begin());
}

void Table::chooseOrderFor(const std::vector<int>& fieldNos) {
    order_ = file_->indexByFields(fieldNos);
    indexName_ = order_ == kPrimaryOrder ? std::string() : file_->secondary(order_).def.name;
}

// ---------------------------------------------------------------------------------------
// Range, master link, filter

void Table::setMasterLink(Table* master, const std::string& detailFields,
                          const std::string& masterFields) {
    clearMasterLink();
    if (!master) return;
    auto dnames = splitList(detailFields);
    auto mnames = splitList(masterFields);
    if (dnames.empty() || dnames.size() != mnames.size())
        fail(ErrorCode::InvalidArgument, "Pola powiązania tabel nie odpowiadają sobie.");
    detailNames_ = dnames;
    masterNames_ = mnames;
    master_ = master;
    master_->details_.push_back(this);
    linkActive_ = true;
    resolveLinkFields();
    if (isOpen()) {
        if (!fieldsLeadOrder(detailFields_)) chooseOrderFor(detailFields_);
        followMaster();
    }
}

void Table::resolveLinkFields() {
    detailFields_.clear();
    masterFieldNos_.clear();
    if (isOpen())
        for (const auto& n : detailNames_) detailFields_.push_back(field(n));
    if (master_ && master_->isOpen())
        for (const auto& n : masterNames_) masterFieldNos_.push_back(master_->field(n));
}

void Table::clearMasterLink() {
    if (master_) {
        auto& d = master_->details_;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    master_ = nullptr;
    detailFields_.clear();
    masterFieldNos_.clear();
    detailNames_.clear();
    masterNames_.clear();
    if (isOpen()) {
        updateRange();
        first();
    }
}

void Table::setLinkActive(bool active) {
    if (linkActive_ == active) return;
    linkActive_ = active;
    if (isOpen()) {
        checkBrowseMode();
        if (active && master_ && !fieldsLeadOrder(detailFields_)) chooseOrderFor(detailFields_);
        updateRange();
        first();
    }
}

void Table::setFilter(std::function<bool(Table&)> accept) {
    filter_ = std::move(accept);
    if (isOpen() && filtered_) first();
}

void Table::setFiltered(bool on) {
    if (filtered_ == on) return;
    filtered_ = on;
    if (isOpen()) {
        checkBrowseMode();
        first();
    }
}

bool Table::rangeActive() const {
    return master_ != nullptr && linkActive_;
}

void Table::updateRange() {
    range_.clear();
    rangeEmpty_ = false;
    if (!rangeActive() || !file_) return;
    resolveLinkFields();
    if (!master_->isOpen() || master_->state_ == TableState::Inactive ||
        (master_->curKey_.empty() && master_->state_ != TableState::Insert) ||
        detailFields_.size() != masterFieldNos_.size()) {
        rangeEmpty_ = true;
        return;
    }
    std::vector<std::byte> scratch(file_->recordSize(), std::byte{0});
    const auto& fs = file_->fields();
    for (std::size_t i = 0; i < detailFields_.size(); ++i) {
        Value v = master_->value(masterFieldNos_[i]);
        const FieldDef& f = fs[detailFields_[i]];
        try {
            px::encodeField(f, v, scratch.data() + file_->header().fieldOffsets[detailFields_[i]]);
        } catch (const EngineError&) {
            rangeEmpty_ = true;
            return;
        }
    }
    range_ = file_->prefixOf(order_, scratch, detailFields_.size());
}

bool Table::filterOn() const {
    return filtered_ && filter_ != nullptr;
}

std::optional<IndexEntryRef> Table::scan(std::optional<IndexEntryRef> e, bool forward) {
    while (e) {
        if (rangeActive() && (rangeEmpty_ || !startsWith(e->key, range_))) return std::nullopt;
        if (!filterOn()) return e;
        file_->readRecord(e->locator, probe_);
        // The filter sees the probed record in the buffer; the current one is put back
        // afterwards, its calculated columns as well.
        probeCalc_.resize(calcValues_.size());
        std::swap(buffer_, probe_);
        std::swap(calcValues_, probeCalc_);
        bool ok = false;
        try {
            recalc();
            ok = filter_(*this);
        } catch (...) {
            std::swap(buffer_, probe_);
            std::swap(calcValues_, probeCalc_);
            throw;
        }
        std::swap(buffer_, probe_);
        std::swap(calcValues_, probeCalc_);
        if (ok) return e;
        e = file_->seek(order_, e->key, forward ? TableFile::Seek::GT : TableFile::Seek::LT);
    }
    return std::nullopt;
}

std::optional<IndexEntryRef> Table::firstEntry() {
    if (rangeActive() && rangeEmpty_) return std::nullopt;
    if (rangeActive()) return scan(file_->seek(order_, range_, TableFile::Seek::GE), true);
    return scan(file_->first(order_), true);
}

std::optional<IndexEntryRef> Table::lastEntry() {
    if (rangeActive() && rangeEmpty_) return std::nullopt;
    if (rangeActive()) return scan(file_->seek(order_, range_, TableFile::Seek::LE), false);
    return scan(file_->last(order_), false);
}

void Table::setCurrent(const IndexEntryRef& e) {
    curKey_ = e.key;
    curLoc_ = e.locator;
    file_->readRecord(e.locator, buffer_);
    recalc();
}

void Table::clearCurrent() {
    curKey_.clear();
    curLoc_ = 0;
    std::fill(buffer_.begin(), buffer_.end(), std::byte{0});
    recalc();
}

void Table::notifyScroll() {
    if (afterScroll) afterScroll(*this);
    for (Table* d : details_)
        if (d->isOpen()) d->followMaster();
}

void Table::followMaster() {
    if (!isOpen()) return;
    updateRecord();
    if (state_ == TableState::Edit || state_ == TableState::Insert) {
        // The master moved away: the detail's pending change belongs to the old master row.
        // Moves post it before they leave (saveDetails); a change that still cannot be saved
        // here (the master was posted or closed) stays in its row for the user to correct or
        // cancel, never dropped without a word.
        try {
            post();
        } catch (...) {
            return;
        }
    }
    updateRange();
    first();
}

void Table::saveDetails() {
    for (Table* d : details_) {
        if (!d->isOpen()) continue;
        d->saveDetails();
        d->updateRecord();
        if (d->state_ != TableState::Edit && d->state_ != TableState::Insert) continue;
        try {
            d->post();
        } catch (const EngineError& e) {
            // The master stays on its row and the detail keeps the change being typed.
            fail(e.code(), "Błąd zapisu\n" + std::string(e.what()));
        }
    }
}

void Table::refresh() {
    requireOpen();
    checkBrowseMode();
    file_->refreshIfChanged();
    updateRange();
    if (curKey_.empty()) {
        first();
        return;
    }
    auto e = scan(file_->seek(order_, curKey_, TableFile::Seek::GE), true);
    if (!e) e = lastEntry();
    if (e) {
        setCurrent(*e);
        eof_ = bof_ = false;
    } else {
        clearCurrent();
        eof_ = bof_ = true;
    }
    notifyScroll();
}

// ---------------------------------------------------------------------------------------
// Movement

void Table::checkBrowseMode() {
    // Rows of the detail tables being edited belong to this row: they are saved before it is
    // left, and a failure keeps it (and them) where they are.
    saveDetails();
    updateRecord();
    if (state_ == TableState::Edit || state_ == TableState::Insert) post();
}

void Table::first() {
    moveToEnd(false);
}
void Table::last() {
    moveToEnd(true);
}
void Table::next() {
    step(true);
}
void Table::prior() {
    step(false);
}

void Table::moveToEnd(bool toLast) {
    requireOpen();
    checkBrowseMode();
    file_->refreshIfChanged();
    updateRange();
    // The end moved to is always reached; the other one only when there is no row at all.
    bool& reached = toLast ? eof_ : bof_;
    bool& opposite = toLast ? bof_ : eof_;
    auto e = toLast ? lastEntry() : firstEntry();
    if (e) {
        setCurrent(*e);
        opposite = false;
    } else {
        clearCurrent();
        opposite = true;
    }
    reached = true;
    notifyScroll();
}

void Table::step(bool forward) {
    requireOpen();
    checkBrowseMode();
    bool& end = forward ? eof_ : bof_;
    if (curKey_.empty()) {
        end = true;
        return;
    }
    auto e = scan(file_->seek(order_, curKey_, forward ? TableFile::Seek::GT : TableFile::Seek::LT),
                  forward);
    if (!e) {
        end = true;
        return;
    }
    setCurrent(*e);
    bof_ = eof_ = false;
    notifyScroll();
}

int Table::moveBy(int distance) {
    requireOpen();
    checkBrowseMode();
    int moved = 0;
    auto saveScroll = afterScroll;
    // One notification at the end, not one per step.
    while (moved != distance) {
        if (curKey_.empty()) break;
        bool fwd = distance > 0;
        auto e = scan(file_->seek(order_, curKey_, fwd ? TableFile::Seek::GT : TableFile::Seek::LT),
                      fwd);
        if (!e) {
            if (fwd)
                eof_ = true;
            else
                bof_ = true;
            break;
        }
        curKey_ = e->key;
        curLoc_ = e->locator;
        moved += fwd ? 1 : -1;
        bof_ = eof_ = false;
    }
    if (moved != 0) {
        file_->readRecord(curLoc_, buffer_);
        recalc();
        notifyScroll();
    }
    return moved;
}

bool Table::isEmpty() {
    requireOpen();
    if (state_ == TableState::Insert) return false;
    return !firstEntry().has_value();
}

std::int64_t Table::recordCount() {
    requireOpen();
    file_->refreshIfChanged();
    if (!rangeActive() && !filterOn()) return std::int64_t(file_->recordCount());
    std::int64_t n = 0;
    auto e = firstEntry();
    while (e) {
        ++n;
        e = scan(file_->seek(order_, e->key, TableFile::Seek::GT), true);
    }
    return n;
}

std::vector<Bookmark> Table::listBookmarks() {
    requireOpen();
    file_->refreshIfChanged();
    updateRange();
    std::vector<Bookmark> out;
    if (rangeActive() && rangeEmpty_) return out;
    auto add = [&](std::span<const std::byte> entryKey) {
        auto pk = file_->primaryKeyIn(order_, entryKey);
        out.push_back(Bookmark{{pk.begin(), pk.end()}});
    };
    if (filterOn()) {
        // Only the record tells whether the filter lets it through.
        for (auto e = firstEntry(); e;
             e = scan(file_->seek(order_, e->key, TableFile::Seek::GT), true))
            add(e->key);
        return out;
    }
    const bool ranged = rangeActive();
    file_->walk(order_, ranged ? std::span<const std::byte>(range_) : std::span<const std::byte>(),
                [&](std::span<const std::byte> key) {
                    if (ranged && !startsWith(key, range_)) return false;
                    add(key);
                    return true;
                });
    return out;
}

Bookmark Table::bookmark() const {
    Bookmark b;
    if (!file_ || curKey_.empty()) return b;
    if (file_->keyed())
        b.key = file_->keyOf(kPrimaryOrder, buffer_);
    else
        b.key = curKey_;
    return b;
}

bool Table::gotoBookmark(const Bookmark& mark) {
    requireOpen();
    checkBrowseMode();
    if (!mark.valid()) return false;
    file_->refreshIfChanged();
    std::vector<std::byte> rec;
    if (file_->keyed()) {
        auto loc = file_->locate(mark.key);
        if (!loc) return false;
        file_->readRecord(*loc, rec);
        auto key = file_->keyOf(order_, rec);
        auto e = file_->seek(order_, key, TableFile::Seek::GE);
        if (!e || e->key != key) return false;
        // Only a visible row can be reached: one of another master row or filtered out is
        // as good as gone for this cursor.
        e = scan(e, true);
        if (!e || e->key != key) return false;
        setCurrent(*e);
    } else {
        auto e = scan(file_->seek(order_, mark.key, TableFile::Seek::GE), true);
        if (!e) return false;
        setCurrent(*e);
    }
    bof_ = eof_ = false;
    notifyScroll();
    return true;
}

// ---------------------------------------------------------------------------------------
// Searching

std::vector<std::byte> Table::searchKey(const std::vector<Value>& key, bool nearest) {
    auto orderFields = file_->orderFields(order_);
    if (orderFields.empty())
        fail(ErrorCode::InvalidState, "Tabela " + path_ + " nie ma indeksu do wyszukiwania.");
    if (key.empty() || key.size() > orderFields.size())
        fail(ErrorCode::InvalidArgument, "Zła liczba wartości klucza dla tabeli " + path_ + ".");
    std::vector<std::byte> scratch(file_->recordSize(), std::byte{0});
    const auto& fs = file_->fields();
    for (std::size_t i = 0; i < key.size(); ++i) {
        const FieldDef& f = fs[orderFields[i]];
        Value v = key[i];
        if (f.type == FieldType::Alpha) {
            if (auto* s = std::get_if<std::string>(&v); s && int(s->size()) > f.size)
                s->resize(std::size_t(f.size));
        }
        if (f.type == FieldType::AutoInc || f.type == FieldType::Long ||
            f.type == FieldType::Short) {
            if (auto* d = std::get_if<double>(&v)) v = std::int64_t(*d);
            if (auto* s = std::get_if<std::string>(&v)) v = parseValue(f, *s);
        } else if (auto* s = std::get_if<std::string>(&v); s && f.type != FieldType::Alpha) {
            v = parseValue(f, *s);
        }
        px::encodeField(f, v, scratch.data() + file_->header().fieldOffsets[orderFields[i]]);
    }
    (void)nearest;
    return file_->prefixOf(order_, scratch, key.size());
}

bool Table::findKey(const std::vector<Value>& key) {
    requireOpen();
    checkBrowseMode();
    file_->refreshIfChanged();
    updateRange();
    auto prefix = searchKey(key, false);
    if (rangeActive() &&
        (rangeEmpty_ || !(startsWith(prefix, range_) || startsWith(range_, prefix))))
        return false;
    auto e = scan(file_->seek(order_, prefix, TableFile::Seek::GE), true);
    if (!e || !startsWith(e->key, prefix)) return false;
    setCurrent(*e);
    bof_ = eof_ = false;
    notifyScroll();
    return true;
}

void Table::findNearest(const std::vector<Value>& key) {
    requireOpen();
    checkBrowseMode();
    file_->refreshIfChanged();
    updateRange();
    auto prefix = searchKey(key, true);
    std::optional<IndexEntryRef> e;
    if (rangeActive() && !rangeEmpty_ && prefix < range_)
        e = firstEntry();
    else
        e = scan(file_->seek(order_, prefix, TableFile::Seek::GE), true);
    if (e) {
        setCurrent(*e);
        bof_ = eof_ = false;
    } else {
        auto l = lastEntry();
        if (l) {
            setCurrent(*l);
            bof_ = false;
        } else {
            clearCurrent();
            bof_ = true;
        }
        eof_ = true;
    }
    notifyScroll();
}

}  // namespace lumiro::engine
