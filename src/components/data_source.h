// A DataSource binds data-aware widgets to one engine table: it relays the table's state,
// row and value changes as Qt signals, enters edit state when the user types, reports engine
// errors through the prompter, and keeps a private reading cursor for grids.
#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/table_events.h"
#include "engine/table.h"
#include "platform/prompter.h"

namespace lumiro::components {

// A control holding typed text not yet written to the record buffer.
class PendingEditor {
  public:
    virtual ~PendingEditor() = default;
    // Writes the pending text; reports a failure itself and returns false.
    virtual bool commit() = 0;
};

class DataSource : public QObject {
    Q_OBJECT

  public:
    // The table and the prompter must outlive the source.
    DataSource(engine::Table& table, platform::Prompter& prompter, QObject* parent = nullptr);
    ~DataSource() override;

    engine::Table& table() { return table_; }
    platform::Prompter& prompter() { return prompter_; }

    // Grids read rows through a second cursor so that painting never moves this table (which
    // would drag its detail tables along and post their edits). The engine does not tell
    // which master a table follows, so a detail table's source is told the same link the
    // data module set; without it a grid would show every row of the file.
    void mirrorMasterLink(engine::Table& master, const std::string& detailFields,
                          const std::string& masterFields);
    // Calculated columns of the table, computed again for the reading cursor.
    void mirrorCalculation(std::function<void(engine::Table&)> calculate);
    // The table's record filter, applied to the reading cursor as well.
    void mirrorFilter(std::function<bool(engine::Table&)> accept);

    bool isOpen() const { return table_.isOpen(); }
    bool isEditing() const;  // Edit or Insert
    // Column position, -1 when the table is closed or has no such column.
    int fieldIndex(const QString& column) const;

    // Enters edit state unless already editing; on an empty table a new row is begun, so
    // that typing into a single-record page creates its record. Errors are reported; false
    // then.
    bool edit();
    // Bound controls write their pending text, then the row is posted. Errors are reported
    // (the row stays in edit state); false then.
    bool post();
    void cancel();
    // Asks every bound control (grids with an open cell editor too) to write its pending text
    // into the record buffer. The table asks for this itself before it posts or leaves the
    // record, whichever source or command makes it do so.
    bool updateRecord();
    // Runs an engine action, reporting an engine error with the engine's own message.
    bool run(const std::function<void()>& action);
    void reportError(const std::exception& error);
    // The table was changed behind this source's back (another cursor, a filter switched):
    // grids reread their rows.
    void notifyRowsChanged();
    // Re-reads the table's position, then lets grids reread their rows.
    bool refresh();

    // While suspended no signal is sent; resuming sends one full refresh.
    void suspendControls();
    void resumeControls();
    bool controlsSuspended() const { return suspended_ > 0; }

    // Whether a control or a grid cell wrote into the row since its edit or insert began;
    // values the program sets itself do not count.
    bool userModified() const { return userModified_; }
    void markUserModified() { userModified_ = true; }

    void addPendingEditor(PendingEditor* editor);
    void removePendingEditor(PendingEditor* editor);

    // The reading cursor, in the table's current order and range. Opened on first use;
    // nullptr when the table is closed.
    engine::Table* reader();

  Q_SIGNALS:
    void stateChanged();
    void rowChanged();
    // field -1: the whole record.
    void fieldChanged(int field);
    // The rows, their order or their range may have changed.
    void rowsChanged();
    // The current row was posted or its edit cancelled: its values changed, and with them
    // perhaps its place in the order.
    void rowUpdated();

  private:
    void onState();
    void onScroll();
    void onData(int field);
    void checkOrder();
    void rememberOrder();
    void syncReader();

    engine::Table& table_;
    platform::Prompter& prompter_;
    TableSubscription subscription_;
    std::vector<PendingEditor*> editors_;
    int suspended_ = 0;

    std::unique_ptr<engine::Table> reader_;
    engine::Table* master_ = nullptr;
    std::string detailFields_;
    std::string masterFields_;
    std::function<void(engine::Table&)> calculate_;
    std::function<bool(engine::Table&)> filter_;
    bool userModified_ = false;
    std::string lastIndex_;
    bool lastLinkActive_ = true;
    std::vector<std::byte> lastRange_;
    bool lastRangeEmpty_ = false;
    bool orderCheckQueued_ = false;
    bool leftEdit_ = false;
    bool beginningEdit_ = false;
    bool rejectedInCommand_ = false;
    engine::TableState lastState_ = engine::TableState::Inactive;
};

}  // namespace lumiro::components
