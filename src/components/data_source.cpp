#include "components/data_source.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

#include "data/table_text.h"
#include "engine/error.h"

namespace lumiro::components {

DataSource::DataSource(engine::Table& table, platform::Prompter& prompter, QObject* parent)
    : QObject(parent), table_(table), prompter_(prompter) {
    TableListener listener;
    listener.stateChanged = [this](engine::Table&) { onState(); };
    listener.dataChanged = [this](engine::Table&, int field) { onData(field); };
    listener.scrolled = [this](engine::Table&) { onScroll(); };
    // A control that begins the edit holds its text while the table leaves browse state; it
    // writes the text itself once the edit has begun. Text that did not convert was reported
    // once; the engine asks again within the same command (a save posts, the post asks), and
    // the control keeps the text for the user to correct, so it is not reported twice.
    listener.updateRecord = [this](engine::Table&) {
        if (beginningEdit_ || rejectedInCommand_) return;
        if (updateRecord()) return;
        rejectedInCommand_ = true;
        QMetaObject::invokeMethod(
            this, [this] { rejectedInCommand_ = false; }, Qt::QueuedConnection);
    };
    subscription_ = TableEvents::subscribe(table_, std::move(listener));
    lastState_ = table_.state();
    rememberOrder();
}

DataSource::~DataSource() = default;

void DataSource::mirrorMasterLink(engine::Table& master, const std::string& detailFields,
                                  const std::string& masterFields) {
    master_ = &master;
    detailFields_ = detailFields;
    masterFields_ = masterFields;
    reader_.reset();
    notifyRowsChanged();
}

void DataSource::mirrorFilter(std::function<bool(engine::Table&)> accept) {
    filter_ = std::move(accept);
    reader_.reset();
    notifyRowsChanged();
}

void DataSource::mirrorCalculation(std::function<void(engine::Table&)> calculate) {
    calculate_ = std::move(calculate);
    reader_.reset();
    notifyRowsChanged();
}

bool DataSource::isEditing() const {
    const auto s = table_.state();
    return s == engine::TableState::Edit || s == engine::TableState::Insert;
}

int DataSource::fieldIndex(const QString& column) const {
    if (!table_.isOpen()) return -1;
    return table_.fieldIndex(data::toTable(column));
}

bool DataSource::edit() {
    if (isEditing()) return true;
    QScopedValueRollback<bool> beginning(beginningEdit_, true);
    return run([this] {
        if (table_.isEmpty())
            table_.append();
        else
            table_.edit();
    });
}

bool DataSource::post() {
    if (!updateRecord()) return false;
    if (!isEditing()) return true;
    return run([this] { table_.post(); });
}

void DataSource::cancel() {
    if (!isEditing()) return;
    run([this] { table_.cancel(); });
}

bool DataSource::updateRecord() {
    // A copy: committing may report an error, and a modal box lets other controls go away.
    auto editors = editors_;
    for (PendingEditor* e : editors)
        if (std::find(editors_.begin(), editors_.end(), e) != editors_.end() && !e->commit())
            return false;
    return true;
}

bool DataSource::run(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

void DataSource::reportError(const std::exception& error) {
    // Engine messages are written for the user in Polish, UTF-8.
    prompter_.error(QString::fromUtf8(error.what()));
}

void DataSource::notifyRowsChanged() {
    if (suspended_ == 0) Q_EMIT rowsChanged();
}

bool DataSource::refresh() {
    if (!table_.isOpen()) return false;
    const bool ok = run([this] { table_.refresh(); });
    notifyRowsChanged();
    return ok;
}

void DataSource::suspendControls() {
    ++suspended_;
}

void DataSource::resumeControls() {
    if (suspended_ == 0 || --suspended_ > 0) return;
    lastState_ = table_.state();
    rememberOrder();
    Q_EMIT stateChanged();
    Q_EMIT rowsChanged();
    Q_EMIT rowChanged();
    Q_EMIT fieldChanged(-1);
}

void DataSource::addPendingEditor(PendingEditor* editor) {
    editors_.push_back(editor);
}

void DataSource::removePendingEditor(PendingEditor* editor) {
    std::erase(editors_, editor);
}

void DataSource::onState() {
    if (suspended_ > 0) return;
    const auto previous = lastState_;
    lastState_ = table_.state();
    // Opening, closing and beginning or ending a new row change what a grid lists.
    const bool rowsMayDiffer =
        previous == engine::TableState::Inactive || lastState_ == engine::TableState::Inactive ||
        previous == engine::TableState::Insert || lastState_ == engine::TableState::Insert;
    if (lastState_ != previous) userModified_ = false;
    leftEdit_ = previous == engine::TableState::Edit && lastState_ == engine::TableState::Browse;
    // Closed, not destroyed: a session closing all its tables walks a list that holds the
    // reader too.
    if (lastState_ == engine::TableState::Inactive && reader_) reader_->close();
    Q_EMIT stateChanged();
    if (rowsMayDiffer) Q_EMIT rowsChanged();
    Q_EMIT fieldChanged(-1);
}

void DataSource::onScroll() {
    if (suspended_ > 0) return;
    checkOrder();
    // A new index reports its first move before it takes its name, so the order is looked
    // at again once the engine call has returned.
    if (!orderCheckQueued_) {
        orderCheckQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                orderCheckQueued_ = false;
                if (suspended_ == 0) checkOrder();
            },
            Qt::QueuedConnection);
    }
    Q_EMIT rowChanged();
    Q_EMIT fieldChanged(-1);
}

void DataSource::checkOrder() {
    const std::string index = table_.isOpen() ? table_.indexName() : std::string();
    // A detail table whose master moved shows other rows, even when it shows none now and
    // its current row therefore did not change.
    if (index == lastIndex_ && table_.linkActive() == lastLinkActive_ &&
        table_.rangeKey() == lastRange_ && table_.rangeSelectsNothing() == lastRangeEmpty_)
        return;
    rememberOrder();
    Q_EMIT rowsChanged();
}

void DataSource::rememberOrder() {
    lastIndex_ = table_.isOpen() ? table_.indexName() : std::string();
    lastLinkActive_ = table_.linkActive();
    lastRange_ = table_.rangeKey();
    lastRangeEmpty_ = table_.rangeSelectsNothing();
}

void DataSource::onData(int field) {
    if (suspended_ > 0) return;
    if (field < 0) {
        // An edited row posted or cancelled is one row; an insert or a delete changes the list.
        if (std::exchange(leftEdit_, false))
            Q_EMIT rowUpdated();
        else
            Q_EMIT rowsChanged();
    }
    Q_EMIT fieldChanged(field);
}

engine::Table* DataSource::reader() {
    if (!table_.isOpen()) return nullptr;
    try {
        syncReader();
    } catch (const std::exception& e) {
        reader_.reset();
        reportError(e);
        return nullptr;
    }
    return reader_.get();
}

void DataSource::syncReader() {
    if (reader_ && (!reader_->isOpen() || reader_->path() != table_.path())) reader_.reset();
    if (!reader_) {
        reader_ = std::make_unique<engine::Table>(table_.session());
        if (calculate_) {
            const auto& fields = table_.fields();
            for (std::size_t i = std::size_t(table_.storedFieldCount()); i < fields.size(); ++i)
                reader_->addCalculatedField(fields[i].name, fields[i].type, fields[i].size);
            reader_->setCalcFields(calculate_);
        }
        // Read-only would give the reader its own file object, blind to unflushed posts.
        reader_->open(table_.path(), table_.accessMode() == engine::AccessMode::ReadOnly
                                         ? engine::AccessMode::ReadOnly
                                         : engine::AccessMode::Shared);
        if (master_) reader_->setMasterLink(master_, detailFields_, masterFields_);
        if (filter_) {
            reader_->setFilter(filter_);
            reader_->setFiltered(true);
        }
    }
    if (reader_->indexName() != table_.indexName()) reader_->setIndexName(table_.indexName());
    if (master_ && reader_->linkActive() != table_.linkActive())
        reader_->setLinkActive(table_.linkActive());
}

}  // namespace lumiro::components
