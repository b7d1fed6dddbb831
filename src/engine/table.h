// A cursor over one table, in the manner of a desktop database's table component: open by
// path, move, search on the current index, edit a record buffer and post it. Several
// cursors may be open on the same file; they share one TableFile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "schema.h"
#include "value.h"

namespace lumiro::engine {

class Session;
class TableFile;
struct IndexEntryRef;


enum class TableState { Inactive, Browse, Edit, Insert };

enum class AccessMode {
    Shared,     // normal use; several cursors and programs at once
    Exclusive,  // refused while any other program has the table open
    ReadOnly,   // never writes (tools, checks)
};

// Position of a record that survives moves of the cursor (not deletes of the record).
struct Bookmark {
    std::vector<std::byte> key;
    bool valid() const { return !key.empty(); }
};

class Table {
public:
    explicit Table(Session& session);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // --- opening ---------------------------------------------------------------------
    // The path is relative to the working folder; ".DB" may be omitted, backslashes are
    // accepted and the file name is found without regard to case. Throws EngineError
    // with a message naming the file (missing, damaged, missing or stale index, locked).
    void open(const std::string& path, AccessMode mode = AccessMode::Shared);
    // Posts a pending edit first (as the desktop engines do), then closes.
    void close();
    bool isOpen() const;
    const std::string& path() const { return path_; }  // resolved data file path
    AccessMode accessMode() const { return mode_; }
    Session& session() { return session_; }

    // --- structure -------------------------------------------------------------------
    const std::vector<FieldDef>& fields() const;  // stored columns, then calculated ones
    int storedFieldCount() const;
    int fieldIndex(const std::string& name) const;   // -1 when absent (no regard to case)
    int field(const std::string& name) const;        // throws InvalidArgument when absent
    std::vector<IndexDef> indexes() const;           // primary first
    int keyFieldCount() const;
    // Adds an index to the open table (the primary index needs exclusive use).
    void addIndex(const IndexDef& def);
    // Deletes and rebuilds every companion index from the data file (exclusive use). The
    // definitions come from the indexes that are loaded, the descriptors (.YGn) beside the
    // table, index files written by another Paradox engine, and the key count of the data
    // file, so it also works when index files are missing or damaged.
    void rebuildIndexes();
    // Replaces every index of the table by the indexes of `defs` (exclusive use), the data
    // file unchanged: what index repair does from a table's description.
    void replaceIndexes(const std::vector<IndexDef>& defs);
    // Writes what the journal holds into the table's files and empties it.
    void checkpoint();
    // Checks the data file and every index against it; returns the problems found, one
    // sentence each (empty when all agree). Also reports index files that were missing,
    // stale or damaged at open (a read-only open works on without them). With `everyEntry`
    // false each block of the data and index files is read once and an index whose pages
    // pass their checksums and whose entry count and data generation match the data file is
    // taken as it is, instead of looking every record up in it.
    std::vector<std::string> verify(bool everyEntry = true);
    // Unstored columns filled by the callback each time a record is read.
    void addCalculatedField(const std::string& name, FieldType type, int size = 0);
    void setCalcFields(std::function<void(Table&)> callback);

    // --- index order and search --------------------------------------------------------
    void setIndexName(const std::string& name);        // "" selects the primary index
    void setIndexFields(const std::string& fieldList);  // "ZLEC;NR" -> the index with those columns
    const std::string& indexName() const { return indexName_; }
    // Exact search on the leading columns of the current index; positions on the first
    // matching record and returns true, or leaves the position unchanged and returns false.
    bool findKey(const std::vector<Value>& key);
    // Positions on the first record whose key is >= key (texts compared as a prefix in
    // case-insensitive indexes, so "kow" finds "Kowalski"); at the end when none.
    void findNearest(const std::vector<Value>& key);

    // --- range, master link, filter ----------------------------------------------------
    // Detail rows: only records whose `detailFields` equal the master's `masterFields` of
    // its current record; the cursor follows the master. The current index must start
    // with the detail fields.
    void setMasterLink(Table* master, const std::string& detailFields,
                       const std::string& masterFields);
    void clearMasterLink();
    void setLinkActive(bool active);  // cut (false) and restore (true)
    bool linkActive() const { return linkActive_; }
    // Which detail rows are visible: the key prefix they share (empty without a range) and
    // whether the master's current row selects none at all. Both change as the master moves.
    const std::vector<std::byte>& rangeKey() const { return range_; }
    bool rangeSelectsNothing() const { return rangeEmpty_; }
    // A callback deciding for each record whether it is visible.
    void setFilter(std::function<bool(Table&)> accept);
    void setFiltered(bool on);
    // Re-reads the position (after another cursor or program changed the table).
    void refresh();

    // --- movement ------------------------------------------------------------------------
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);  // returns how far it moved
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty();
    std::int64_t recordCount();  // visible records (range, filter)
    Bookmark bookmark() const;
    bool gotoBookmark(const Bookmark& mark);  // false when the record is gone
    // The bookmarks of the visible records in the current order, range and filter: the
    // records first() and next() would visit, as bookmark() would give them. Without a
    // filter they come from the index entries alone, no record being read. The cursor
    // stays where it is; a pending edit or insert is neither posted nor listed.
    std::vector<Bookmark> listBookmarks();

    // --- editing -------------------------------------------------------------------------
    TableState state() const { return state_; }
    void insert();  // new empty record at the current position
    void append();  // new empty record at the end
    void edit();
    // Writes the record; when this returns it is on disk. Duplicate primary key: throws
    // KeyViolation and stays in the edit/insert state with the buffer as it was.
    void post();
    void cancel();
    void remove();  // deletes the current record
    // Several posts as one durable unit (bulk loading); endBatch commits them.
    void beginBatch();
    void endBatch();
    // Drops every post since the outermost beginBatch and a pending edit or insert: the
    // table is as it was before the batch, and the cursor on the nearest record that exists.
    void abortBatch();
    // Makes sure everything posted is on disk (posts already are; kept for callers).
    void flushToDisk();

    // --- column access (current record buffer) ----------------------------------------------
    Value value(int field) const;
    Value value(const std::string& name) const { return value(this->field(name)); }
    void setValue(int field, const Value& v);
    void setValue(const std::string& name, const Value& v) { setValue(this->field(name), v); }
    bool isNull(int field) const;
    std::string asString(int field) const;  // code page 1250 text; numbers with a point
    std::int64_t asInteger(int field) const;  // null -> 0
    double asFloat(int field) const;           // null -> 0
    bool asBoolean(int field) const;           // null -> false
    // Converts text (code page 1250) to the column's value; throws Conversion naming the
    // column and the text when it does not convert. An empty text sets null.
    void setAsString(int field, const std::string& text);
    void setAsInteger(int field, std::int64_t v) { setValue(field, Value{v}); }
    void setAsFloat(int field, double v) { setValue(field, Value{v}); }
    void setAsBoolean(int field, bool v) { setValue(field, Value{v}); }
    void clear(int field) { setValue(field, Value{}); }

    // --- notifications ------------------------------------------------------------------------
    std::function<void(Table&)> onStateChange;
    std::function<void(Table&)> afterInsert;
    std::function<void(Table&, int field)> onDataChange;  // field -1: whole record
    std::function<void(Table&)> afterScroll;
    // Called before the record buffer is posted or left (post, every move, close, the
    // master moving away), and by updateRecord(): controls write typed text into the buffer.
    std::function<void(Table&)> onUpdateRecord;
    // Asks the listeners of onUpdateRecord to write their pending input now (not re-entrant).
    void updateRecord();

private:
    friend class Session;
    void requireOpen() const;
    void requireWritable() const;
    void checkBrowseMode();
    void moveToEnd(bool toLast);  // first() and last()
    void step(bool forward);      // next() and prior()
    void setState(TableState s);
    void rebuildFieldList();
    void switchOrder(int order);
    bool fieldsLeadOrder(const std::vector<int>& fieldNos) const;
    void chooseOrderFor(const std::vector<int>& fieldNos);
    void resolveLinkFields();
    bool rangeActive() const;
    void updateRange();
    bool filterOn() const;
    std::optional<IndexEntryRef> scan(std::optional<IndexEntryRef> e, bool forward);
    std::optional<IndexEntryRef> firstEntry();
    std::optional<IndexEntryRef> lastEntry();
    void setCurrent(const IndexEntryRef& e);
    void clearCurrent();
    void notifyScroll();
    void followMaster();
    // Posts the pending edits of the detail tables (and theirs); throws, naming the failure as
    // "Błąd zapisu", when one cannot be saved.
    void saveDetails();
    std::vector<std::byte> searchKey(const std::vector<Value>& key, bool nearest);
    std::optional<std::uint32_t> currentLocator();
    void recalc();

    Session& session_;
    std::shared_ptr<TableFile> file_;
    std::string path_;
    AccessMode mode_ = AccessMode::Shared;
    TableState state_ = TableState::Inactive;

    std::string indexName_;
    int order_ = -1;                     // -1 primary (or physical order), else secondary
    std::vector<std::byte> curKey_;      // entry key of the current record (empty: none)
    std::uint32_t curLoc_ = 0;           // where the current record was read from
    std::vector<std::byte> buffer_;      // current record bytes
    std::vector<std::byte> original_;    // record bytes when editing began
    std::vector<std::byte> probe_;       // scratch for the filter
    std::vector<Value> probeCalc_;       // calculated columns of the probed record
    std::vector<std::byte> returnKey_;   // where to go back to when an insert is cancelled
    std::vector<FieldDef> allFields_;    // stored, then calculated
    std::vector<FieldDef> calcFields_;
    std::vector<Value> calcValues_;
    std::function<void(Table&)> calc_;
    bool eof_ = true;
    bool bof_ = true;
    bool inCalc_ = false;
    bool updatingRecord_ = false;

    Table* master_ = nullptr;
    std::vector<std::string> detailNames_;
    std::vector<std::string> masterNames_;
    std::vector<int> detailFields_;
    std::vector<int> masterFieldNos_;
    bool linkActive_ = true;
    std::vector<Table*> details_;
    std::vector<std::byte> range_;  // key prefix of the master's current row
    bool rangeEmpty_ = false;

    std::function<bool(Table&)> filter_;
    bool filtered_ = false;
    int batchDepth_ = 0;
};

}  // namespace lumiro::engine
