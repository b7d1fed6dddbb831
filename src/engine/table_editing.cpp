// A cursor's editing and column access: insert, edit, post, cancel and delete with the
// table's write lock and batches, and reading and setting the current record's columns.
// Opening, orders, ranges, movement and search are in table.cpp.
#include "table.h"

#include <algorithm>
#include <cstring>

#include "error.h"
#include "paradox_format.h"
#include "session.h"
#include "table_file.h"
#include "value_text.h"

namespace lumiro::engine {

// ---------------------------------------------------------------------------------------
// Editing

void Table::requireWritable() const {
    if (mode_ == AccessMode::ReadOnly)
        fail(ErrorCode::ReadOnly, "Tabela " + path_ + " jest otwarta tylko do odczytu.");
}

void Table::setState(TableState s) {
    if (state_ == s) return;
    state_ = s;
    if (onStateChange) onStateChange(*this);
}

void Table::insert() {
    requireOpen();
    requireWritable();
    checkBrowseMode();
    returnKey_ = curKey_;
    std::fill(buffer_.begin(), buffer_.end(), std::byte{0});
    if (rangeActive() && !rangeEmpty_ && master_) {
        // A new detail row belongs to the master's current row.
        const auto& fs = file_->fields();
        for (std::size_t i = 0; i < detailFields_.size() && i < masterFieldNos_.size(); ++i) {
            try {
                px::encodeField(fs[detailFields_[i]], master_->value(masterFieldNos_[i]),
                                buffer_.data() + file_->header().fieldOffsets[detailFields_[i]]);
            } catch (const EngineError&) {
            }
        }
    }
    eof_ = bof_ = false;
    setState(TableState::Insert);
    recalc();
    if (afterInsert) afterInsert(*this);
    for (Table* d : details_)
        if (d->isOpen()) d->followMaster();
}

void Table::append() {
    insert();
}

void Table::edit() {
    requireOpen();
    requireWritable();
    if (state_ == TableState::Edit || state_ == TableState::Insert) return;
    if (curKey_.empty()) {
        insert();
        return;
    }
    // Edit what is on disk now, not what was read some time ago.
    file_->refreshIfChanged();
    if (auto loc = currentLocator()) {
        file_->readRecord(*loc, buffer_);
        curLoc_ = *loc;
        recalc();
    }
    original_ = buffer_;
    setState(TableState::Edit);
}

std::optional<std::uint32_t> Table::currentLocator() {
    if (curKey_.empty()) return std::nullopt;
    if (!file_->keyed()) return curLoc_;
    return file_->locate(
        file_->keyOf(kPrimaryOrder, state_ == TableState::Edit ? original_ : buffer_));
}

void Table::post() {
    requireOpen();
    updateRecord();
    if (state_ != TableState::Edit && state_ != TableState::Insert) return;
    std::vector<std::byte> rec = buffer_;
    std::uint32_t loc = 0;
    file_->beginWrite();
    try {
        if (state_ == TableState::Insert) {
            loc = file_->insertRecord(rec);
        } else {
            std::optional<std::uint32_t> at =
                file_->keyed() ? file_->locate(file_->keyOf(kPrimaryOrder, original_))
                               : std::optional<std::uint32_t>(curLoc_);
            if (!at)
                fail(ErrorCode::RecordChanged,
                     "Rekord tabeli " + path_ + " został usunięty przez inny program.");
            loc = *at;
            file_->updateRecord(loc, original_, rec);
        }
        file_->commitWrite();
    } catch (const EngineError& e) {
        if (!(file_->inBatch() && e.code() == ErrorCode::KeyViolation)) file_->abortWrite();
        throw;
    } catch (...) {
        file_->abortWrite();
        throw;
    }
    buffer_ = rec;
    if (file_->keyed()) {
        curKey_ = file_->keyOf(order_, buffer_);
        curLoc_ = loc;
    } else {
        auto e = file_->last(order_);
        curKey_ = e ? e->key : std::vector<std::byte>{};
        curLoc_ = loc;
        if (e && e->locator != loc) {
            // Updated in place: find its position in the chain again.
            auto s = file_->first(order_);
            while (s && s->locator != loc) s = file_->seek(order_, s->key, TableFile::Seek::GT);
            if (s) curKey_ = s->key;
        }
    }
    original_.clear();
    setState(TableState::Browse);
    recalc();
    if (onDataChange) onDataChange(*this, -1);
    for (Table* d : details_)
        if (d->isOpen()) d->followMaster();
}

void Table::updateRecord() {
    if (!onUpdateRecord || updatingRecord_) return;
    updatingRecord_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{updatingRecord_};
    onUpdateRecord(*this);
}

void Table::cancel() {
    requireOpen();
    if (state_ == TableState::Insert) {
        setState(TableState::Browse);
        auto e = returnKey_.empty()
                     ? firstEntry()
                     : scan(file_->seek(order_, returnKey_, TableFile::Seek::GE), true);
        if (!e) e = lastEntry();
        if (e) {
            setCurrent(*e);
            eof_ = bof_ = false;
        } else {
            clearCurrent();
            eof_ = bof_ = true;
        }
        notifyScroll();
    } else if (state_ == TableState::Edit) {
        buffer_ = original_;
        original_.clear();
        setState(TableState::Browse);
        recalc();
        if (onDataChange) onDataChange(*this, -1);
    }
}

void Table::remove() {
    requireOpen();
    requireWritable();
    if (state_ == TableState::Insert) {
        cancel();
        return;
    }
    if (state_ == TableState::Edit) cancel();
    if (curKey_.empty())
        fail(ErrorCode::InvalidState,
             "Tabela " + path_ + " nie ma bieżącego rekordu do usunięcia.");
    file_->beginWrite();
    try {
        auto loc = currentLocator();
        if (!loc)
            fail(ErrorCode::RecordChanged, "Rekord tabeli " + path_ + " został już usunięty.");
        std::vector<std::byte> current;
        file_->readRecord(*loc, current);
        file_->deleteRecord(*loc, current);
        file_->commitWrite();
    } catch (...) {
        file_->abortWrite();
        throw;
    }
    auto key = curKey_;
    std::optional<IndexEntryRef> e;
    if (file_->keyed()) {
        e = scan(file_->seek(order_, key, TableFile::Seek::GT), true);
        if (!e) e = lastEntry();
    } else {
        // Physical positions shift after a delete: the same position is the next record.
        e = scan(file_->seek(order_, key, TableFile::Seek::GE), true);
        if (!e) e = lastEntry();
    }
    if (e) {
        setCurrent(*e);
        bof_ = eof_ = false;
    } else {
        clearCurrent();
        bof_ = eof_ = true;
    }
    if (onDataChange) onDataChange(*this, -1);
    notifyScroll();
}

void Table::beginBatch() {
    requireOpen();
    requireWritable();
    file_->beginBatch();
    ++batchDepth_;
}

void Table::endBatch() {
    if (batchDepth_ == 0 || !file_) return;
    --batchDepth_;
    file_->endBatch();
}

void Table::abortBatch() {
    if (batchDepth_ == 0 || !file_) return;
    batchDepth_ = 0;
    if (state_ == TableState::Edit || state_ == TableState::Insert) {
        original_.clear();
        setState(TableState::Browse);
    }
    file_->abortWrite();
    refresh();
}

void Table::flushToDisk() {
    // Posts are durable when they return; a batch is made durable by endBatch.
    requireOpen();
}

// ---------------------------------------------------------------------------------------
// Column access

Value Table::value(int field) const {
    requireOpen();
    int stored = storedFieldCount();
    if (field < 0 || field >= int(allFields_.size()))
        fail(ErrorCode::InvalidArgument,
             "Numer pola " + std::to_string(field) + " jest poza zakresem.");
    if (field >= stored) return calcValues_.at(std::size_t(field - stored));
    const FieldDef& f = file_->fields()[std::size_t(field)];
    return px::decodeField(f, buffer_.data() + file_->header().fieldOffsets[std::size_t(field)],
                           file_->blobs());
}

void Table::setValue(int field, const Value& v) {
    requireOpen();
    int stored = storedFieldCount();
    if (field < 0 || field >= int(allFields_.size()))
        fail(ErrorCode::InvalidArgument,
             "Numer pola " + std::to_string(field) + " jest poza zakresem.");
    if (field >= stored) {
        if (!inCalc_)
            fail(ErrorCode::InvalidState, "Pole " + allFields_[std::size_t(field)].name +
                                              " jest wyliczane i nie można go zmieniać.");
        calcValues_.at(std::size_t(field - stored)) = v;
        return;
    }
    if (state_ != TableState::Edit && state_ != TableState::Insert)
        fail(ErrorCode::InvalidState,
             "Tabela " + path_ + " nie jest w trybie edycji ani dopisywania.");
    const FieldDef& f = file_->fields()[std::size_t(field)];
    if (f.type == FieldType::AutoInc)
        fail(ErrorCode::ReadOnly,
             "Pole " + f.name + " jest numerowane automatycznie i nie można go zmieniać.");
    std::vector<std::byte> bytes(std::size_t(storedSize(f)));
    px::encodeField(f, v, bytes.data());  // throws before anything changes
    std::memcpy(buffer_.data() + file_->header().fieldOffsets[std::size_t(field)], bytes.data(),
                bytes.size());
    recalc();
    if (onDataChange) onDataChange(*this, field);
}

bool Table::isNull(int field) const {
    return engine::isNull(value(field));
}

std::string Table::asString(int field) const {
    const FieldDef& f = allFields_.at(std::size_t(field));
    return formatValue(f, value(field));
}

std::int64_t Table::asInteger(int field) const {
    Value v = value(field);
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) return std::int64_t(*d);
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (auto* s = std::get_if<std::string>(&v)) {
        if (s->empty()) return 0;
        FieldDef f;
        f.name = allFields_.at(std::size_t(field)).name;
        f.type = FieldType::Long;
        Value p = parseValue(f, *s);
        if (auto* i = std::get_if<std::int64_t>(&p)) return *i;
    }
    return 0;
}

double Table::asFloat(int field) const {
    Value v = value(field);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<std::int64_t>(&v)) return double(*i);
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1.0 : 0.0;
    if (auto* s = std::get_if<std::string>(&v)) {
        if (s->empty()) return 0;
        FieldDef f;
        f.name = allFields_.at(std::size_t(field)).name;
        f.type = FieldType::Number;
        Value p = parseValue(f, *s);
        if (auto* d = std::get_if<double>(&p)) return *d;
    }
    return 0;
}

bool Table::asBoolean(int field) const {
    Value v = value(field);
    if (auto* b = std::get_if<bool>(&v)) return *b;
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
    if (auto* d = std::get_if<double>(&v)) return *d != 0;
    return false;
}

void Table::setAsString(int field, const std::string& text) {
    const FieldDef& f = allFields_.at(std::size_t(field));
    if (f.type == FieldType::Alpha) {
        setValue(field, text.empty() ? Value{} : Value{text});
        return;
    }
    setValue(field, parseValue(f, text));
}

void Table::recalc() {
    if (calcFields_.empty()) return;
    std::fill(calcValues_.begin(), calcValues_.end(), Value{});
    if (!calc_ || inCalc_) return;
    inCalc_ = true;
    try {
        calc_(*this);
    } catch (...) {
        inCalc_ = false;
        throw;
    }
    inCalc_ = false;
}

}  // namespace lumiro::engine
