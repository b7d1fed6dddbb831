#include "components/data_grid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

#include "components/grouped_header.h"
#include "data/table_text.h"

namespace lumiro::components {

namespace {

constexpr int kCachedRows = 512;

bool editingState(engine::TableState s) {
    return s == engine::TableState::Edit || s == engine::TableState::Insert;
}

// Cell editor: the column's mask and length limit; a masked value is handed over as shown,
// the model turns it into the stored text.
class CellDelegate : public QStyledItemDelegate {
  public:
    CellDelegate(DataGridModel* model, QObject* parent)
        : QStyledItemDelegate(parent), model_(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        const GridColumn& column = model_->column(index.column());
        if (!column.mask.isEmpty()) {
            edit->setInputMask(column.mask.qtMask());
        } else if (DataSource* source = model_->source()) {
            const int field = source->fieldIndex(column.field);
            if (field >= 0) {
                const auto& def = source->table().fields()[std::size_t(field)];
                if (def.type == engine::FieldType::Alpha) edit->setMaxLength(def.size);
            }
        }
        (void)option;
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        const GridColumn& column = model_->column(index.column());
        model->setData(index, column.mask.isEmpty() ? edit->text() : edit->displayText(),
                       Qt::EditRole);
    }

  private:
    DataGridModel* model_;
};

}  // namespace

DataGridModel::DataGridModel(DataSource* source, QObject* parent)
    : QAbstractTableModel(parent), source_(source) {
    connect(source, &DataSource::rowsChanged, this, &DataGridModel::requestReset);
    connect(source, &DataSource::rowUpdated, this, &DataGridModel::rowUpdated);
    // The current row shows the record buffer while it is edited. (The grid repaints the
    // row indicator itself; telling the header about every row would cost 20,000 sections.)
    auto currentRowChanged = [this] {
        const int row = currentRow();
        if (row >= 0 && !columns_.empty())
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    };
    connect(source, &DataSource::fieldChanged, this, currentRowChanged);
    connect(source, &DataSource::stateChanged, this, currentRowChanged);
    listRows();
}

QByteArray DataGridModel::keyOf(const engine::Bookmark& mark) {
    return QByteArray(reinterpret_cast<const char*>(mark.key.data()), qsizetype(mark.key.size()));
}

int DataGridModel::addColumn(const GridColumn& column) {
    const int at = int(columns_.size());
    beginInsertColumns({}, at, at);
    columns_.push_back(column);
    cache_.clear();
    endInsertColumns();
    return at;
}

int DataGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return int(rows_.size()) + (insertRow_ ? 1 : 0);
}

int DataGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

void DataGridModel::requestReset() {
    if (resetPending_) return;
    resetPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (resetPending_) resetNow();
        },
        Qt::QueuedConnection);
}

void DataGridModel::resetNow() {
    beginResetModel();
    listRows();
    resetPending_ = false;
    endResetModel();
    Q_EMIT rowsListed();
}

void DataGridModel::listRows() {
    ++listings_;
    rows_.clear();
    rowIndex_.clear();
    cache_.clear();
    insertRow_ = false;
    if (!source_ || !source_->isOpen()) return;
    insertRow_ = source_->table().state() == engine::TableState::Insert;
    engine::Table* reader = source_->reader();
    if (!reader) return;
    // From the index alone unless a filter needs the records; the reader does not move.
    source_->run([&] { rows_ = reader->listBookmarks(); });
    rowIndex_.reserve(qsizetype(rows_.size()));
    for (std::size_t row = 0; row < rows_.size(); ++row)
        rowIndex_.insert(keyOf(rows_[row]), int(row));
    // Marks of rows that left the range (another payer, deleted rows) no longer apply.
    const qsizetype before = marked_.size();
    for (auto it = marked_.begin(); it != marked_.end();)
        it = rowIndex_.contains(*it) ? std::next(it) : marked_.erase(it);
    if (marked_.size() != before) Q_EMIT marksChanged();
}

void DataGridModel::rowUpdated() {
    if (resetPending_) return;
    const int row = currentRow();
    engine::Table* reader = row >= 0 ? source_->reader() : nullptr;
    bool inPlace = false;
    if (reader) {
        // Listing every row again after each posted card would be felt on a large table;
        // when the row kept its key and its neighbours, only its cells are read again.
        try {
            // At either end the neighbour is the range's end, so a row that left the range
            // or failed the filter is noticed too.
            const auto& mark = rows_[std::size_t(row)];
            inPlace = reader->gotoBookmark(mark);
            if (inPlace) {
                if (row > 0)
                    reader->prior();
                else
                    reader->first();
                inPlace =
                    reader->bookmark().key == (row > 0 ? rows_[std::size_t(row) - 1] : mark).key;
            }
            if (inPlace && reader->gotoBookmark(mark)) {
                const bool last = row + 1 == int(rows_.size());
                if (last)
                    reader->last();
                else
                    reader->next();
                inPlace = reader->bookmark().key == (last ? mark : rows_[std::size_t(row) + 1]).key;
            } else {
                inPlace = false;
            }
        } catch (const std::exception&) {
            inPlace = false;
        }
    }
    if (!inPlace) {
        requestReset();
        return;
    }
    cache_.remove(row);
    Q_EMIT dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
}

int DataGridModel::currentRow() const {
    if (!source_ || !source_->isOpen()) return -1;
    engine::Table& t = source_->table();
    if (t.state() == engine::TableState::Insert) return insertRow_ ? int(rows_.size()) : -1;
    return rowOf(t.bookmark());
}

engine::Bookmark DataGridModel::bookmark(int row) const {
    if (row < 0 || row >= int(rows_.size())) return {};
    return rows_[std::size_t(row)];
}

int DataGridModel::rowOf(const engine::Bookmark& mark) const {
    if (!mark.valid()) return -1;
    return rowIndex_.value(keyOf(mark), -1);
}

const std::vector<engine::Value>* DataGridModel::rowValues(int row) const {
    auto it = cache_.find(row);
    if (it != cache_.end()) return &it.value();
    if (!source_ || row < 0 || row >= int(rows_.size())) return nullptr;
    engine::Table* reader = const_cast<DataSource*>(source_.data())->reader();
    if (!reader) return nullptr;
    std::vector<engine::Value> values;
    try {
        if (!reader->gotoBookmark(rows_[std::size_t(row)])) return nullptr;
        ++rowReads_;
        values.reserve(columns_.size() * 2);
        for (const GridColumn& c : columns_) {
            const int f = reader->fieldIndex(data::toTable(c.field));
            values.push_back(f >= 0 ? reader->value(f) : engine::Value{});
            // The shown text as UTF-8.
            values.push_back(f >= 0 ? engine::Value{data::fieldText(*reader, f).toStdString()}
                                    : engine::Value{});
        }
    } catch (const std::exception&) {
        // A row removed by another cursor paints empty until the rows are listed again.
        return nullptr;
    }
    if (cache_.size() >= kCachedRows) cache_.clear();
    return &cache_.insert(row, std::move(values)).value();
}

QString DataGridModel::cellText(int row, int column, bool forEdit) const {
    const GridColumn& c = columns_[std::size_t(column)];
    engine::Value value;
    QString text;
    engine::Table& t = source_->table();
    if (editingState(t.state()) && row == currentRow()) {
        const int f = t.fieldIndex(data::toTable(c.field));
        if (f < 0) return QString();
        value = t.value(f);
        text = data::fieldText(t, f);
    } else {
        const auto* values = rowValues(row);
        if (!values) return QString();
        value = (*values)[std::size_t(column) * 2];
        if (const auto* s = std::get_if<std::string>(&(*values)[std::size_t(column) * 2 + 1]))
            text = QString::fromStdString(*s);
    }
    if (!forEdit && c.display) return c.display(value);
    return text;
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !source_ || !source_->isOpen()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return cellText(index.row(), index.column(), false);
        case Qt::EditRole:
            return cellText(index.row(), index.column(), true);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(columns_[std::size_t(index.column())].alignment);
        case Qt::BackgroundRole:
            if (isMarked(index.row())) return QColor(0xc8, 0xdc, 0xf4);
            return {};
        default:
            return {};
    }
}

bool DataGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // The view moves the table to a row before it edits a cell of it.
    if (index.row() != currentRow()) return false;
    const GridColumn& c = columns_[std::size_t(index.column())];
    engine::Table& t = source_->table();
    const int f = t.fieldIndex(data::toTable(c.field));
    if (f < 0) return false;
    QString text = c.mask.isEmpty() ? value.toString() : c.mask.storedText(value.toString());
    const auto& def = t.fields()[std::size_t(f)];
    if (def.type == engine::FieldType::Alpha && text.size() > def.size) text.truncate(def.size);
    if (!editingState(t.state()) && data::fieldText(t, f) == text) return true;
    if (!source_->edit() || !source_->run([&] { t.setAsString(f, data::toTable(text)); })) {
        ++writeFailures_;
        return false;
    }
    source_->markUserModified();
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const GridColumn& c = columns_[std::size_t(index.column())];
    if (readOnly_ || c.readOnly || !source_ || !source_->isOpen()) return f;
    const int field = source_->fieldIndex(c.field);
    // Calculated columns follow the stored ones and cannot be typed into.
    if (field >= 0 && field < source_->table().storedFieldCount()) f |= Qt::ItemIsEditable;
    return f;
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= int(columns_.size())) return {};
        return columns_[std::size_t(section)].title;
    }
    if (isInsertRow(section)) return QStringLiteral("*");
    if (section == currentRow()) return QStringLiteral("\u25B8");
    if (isMarked(section)) return QStringLiteral("\u2022");
    return QString();
}

bool DataGridModel::isMarked(int row) const {
    if (row < 0 || row >= int(rows_.size())) return false;
    return marked_.contains(keyOf(rows_[std::size_t(row)]));
}

void DataGridModel::setMarked(int row, bool marked) {
    if (row < 0 || row >= int(rows_.size()) || isMarked(row) == marked) return;
    const QByteArray key = keyOf(rows_[std::size_t(row)]);
    if (marked)
        marked_.insert(key);
    else
        marked_.remove(key);
    Q_EMIT dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    Q_EMIT marksChanged();
}

void DataGridModel::clearMarks() {
    if (marked_.isEmpty()) return;
    marked_.clear();
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, std::max(0, columnCount() - 1)));
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    Q_EMIT marksChanged();
}

std::vector<engine::Bookmark> DataGridModel::markedRows() const {
    std::vector<int> rows;
    rows.reserve(std::size_t(marked_.size()));
    for (const QByteArray& key : marked_) {
        const int row = rowIndex_.value(key, -1);
        if (row >= 0) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    std::vector<engine::Bookmark> out;
    out.reserve(rows.size());
    for (int row : rows) out.push_back(rows_[std::size_t(row)]);
    return out;
}

// ---------------------------------------------------------------------------------------

DataGrid::DataGrid(DataSource* source, QWidget* parent)
    : QTableView(parent),
      model_(new DataGridModel(source, this)),
      header_(new GroupedHeaderView(this)) {
    setHorizontalHeader(header_);
    setModel(model_);
    setItemDelegate(new CellDelegate(model_, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(u'M') + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setReadOnly(true);

    connect(header_, &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(source, &DataSource::rowChanged, this, &DataGrid::followTable);
    connect(source, &DataSource::stateChanged, this, [this] {
        if (DataSource* src = this->source();
            !src || src->table().state() != engine::TableState::Insert)
            ownInsert_ = false;
        followTable();
    });
    connect(model_, &DataGridModel::rowsListed, this, &DataGrid::followTable);
    connect(model_, &DataGridModel::marksChanged, this, &DataGrid::marksChanged);
    // An open cell editor is written whenever the table asks its controls for their input.
    source->addPendingEditor(this);
    followTable();
}

DataGrid::~DataGrid() {
    if (DataSource* src = source()) src->removePendingEditor(this);
}

DataSource* DataGrid::source() const {
    return model_->source();
}

bool DataGrid::commit() {
    if (!editing()) return true;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return true;
    const auto failures = model_->writeFailures();
    commitData(editor);
    // A value that does not convert was reported; the editor stays open to be corrected.
    if (model_->writeFailures() != failures) return false;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

int DataGrid::addColumn(const QString& field, const QString& title, int width) {
    GridColumn column;
    column.field = field;
    column.title = title;
    const int at = model_->addColumn(column);
    if (width < 0) {
        const QFontMetrics fm(header_->font());
        width = 0;
        for (const QString& line : title.split(u'\n'))
            width = std::max(width, fm.horizontalAdvance(line));
        width += 16;
    }
    setColumnWidth(at, width);
    // The first column gives the current row a cell to show it in.
    followTable();
    return at;
}

void DataGrid::setColumnTitle(int column, const QString& title) {
    model_->column(column).title = title;
    Q_EMIT model_->headerDataChanged(Qt::Horizontal, column, column);
    header_->updateGeometry();
}

void DataGrid::setColumnReadOnly(int column, bool readOnly) {
    model_->column(column).readOnly = readOnly;
}

void DataGrid::setColumnEditMask(int column, const QString& mask) {
    model_->column(column).mask = EditMask(mask);
}

void DataGrid::setColumnDisplay(int column, DisplayFormat format) {
    model_->column(column).display = std::move(format);
    viewport()->update();
}

void DataGrid::setColumnAlignment(int column, Qt::Alignment alignment) {
    model_->column(column).alignment = alignment;
    viewport()->update();
}

void DataGrid::setColumnGroup(int first, int last, const QString& title) {
    header_->setGroup(first, last, title);
}

void DataGrid::setReadOnly(bool readOnly) {
    model_->setReadOnly(readOnly);
    setEditTriggers(
        readOnly ? QAbstractItemView::NoEditTriggers
                 : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionBehavior(readOnly ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    // Tab walks the cells of an editable grid; from a read-only one it goes on to the next
    // control of the window.
    setTabKeyNavigation(!readOnly);
}

void DataGrid::markCurrentRow() {
    const int row = model_->currentRow();
    if (row >= 0 && !model_->isInsertRow(row)) model_->setMarked(row, true);
}

void DataGrid::followTable() {
    if (model_->resetPending()) return;
    const int row = model_->currentRow();
    DataSource* src = source();
    if (row < 0 && src && src->isOpen() && src->table().bookmark().valid()) {
        // The table stands on a row the list does not hold: its range or data changed.
        model_->requestReset();
        return;
    }
    QScopedValueRollback<bool> guard(following_, true);
    if (row < 0) {
        setCurrentIndex(QModelIndex());
    } else {
        const int column = std::clamp(lastColumn_, 0, std::max(0, model_->columnCount() - 1));
        const QModelIndex target = model_->index(row, column);
        const bool rows = selectionBehavior() == QAbstractItemView::SelectRows;
        // A row selected before columns were added covers only the columns it had then.
        const bool selected =
            rows ? selectionModel()->isRowSelected(row, {}) : selectionModel()->isSelected(target);
        if (currentIndex() != target || !selected) {
            QItemSelectionModel::SelectionFlags command = QItemSelectionModel::ClearAndSelect;
            if (rows) command |= QItemSelectionModel::Rows;
            selectionModel()->setCurrentIndex(target, command);
        }
        scrollTo(target);
    }
    verticalHeader()->viewport()->update();
}

bool DataGrid::moveTableTo(int row) {
    DataSource* src = source();
    if (!src || !src->isOpen() || model_->isInsertRow(row)) return true;
    const engine::Bookmark mark = model_->bookmark(row);
    if (!mark.valid()) return false;
    if (!src->updateRecord()) return false;
    // A row the grid began by a key and nobody typed into is dropped, not stored empty.
    // Rows begun by the program (a window's "new" command) are posted like any other.
    if (ownInsert_ && src->table().state() == engine::TableState::Insert && !src->userModified())
        src->cancel();
    QScopedValueRollback<bool> guard(following_, true);
    bool found = true;
    // Leaving a row posts its pending edit (the engine does so before it moves).
    const bool ok = src->run([&] { found = src->table().gotoBookmark(mark); });
    if (ok && !found) model_->requestReset();
    return ok && found;
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) lastColumn_ = current.column();
    verticalHeader()->viewport()->update();
    if (following_ || !current.isValid()) return;
    if (!previous.isValid()) {
        // Qt picks a first cell by itself (focus, new columns); only the user moves the table.
        QTimer::singleShot(0, this, &DataGrid::followTable);
        return;
    }
    if (current.row() == previous.row()) return;
    if (!moveTableTo(current.row())) {
        // The table stayed where it was (its edit could not be posted): so does the grid.
        QTimer::singleShot(0, this, &DataGrid::followTable);
    }
}

void DataGrid::moveToNextCell() {
    const QModelIndex at = currentIndex();
    if (!at.isValid()) return;
    // In an editable grid Enter passes over the columns nobody types into (a computed total).
    const auto stop = [&](int column) {
        return !isColumnHidden(column) && (isReadOnly() || !model_->column(column).readOnly);
    };
    const int columns = model_->columnCount();
    int row = at.row();
    int column = at.column() + 1;
    while (column < columns && !stop(column)) ++column;
    if (column >= columns) {
        if (row + 1 >= model_->rowCount()) {
            // The last cell of the last row: the row is done, so it is stored.
            storeCurrentRow();
            return;
        }
        ++row;
        column = 0;
        while (column < columns && !stop(column)) ++column;
        if (column >= columns) column = at.column();
    }
    setCurrentIndex(model_->index(row, column));
}

void DataGrid::storeCurrentRow() {
    DataSource* src = source();
    if (isReadOnly() || !src || !src->isOpen() || !src->isEditing()) return;
    // A row the grid began by a key and nobody typed into is dropped, not stored empty.
    if (ownInsert_ && src->table().state() == engine::TableState::Insert && !src->userModified()) {
        src->cancel();
        return;
    }
    src->post();
}

void DataGrid::deleteCurrentRow() {
    DataSource* src = source();
    if (!src || !src->isOpen()) return;
    if (src->table().state() != engine::TableState::Insert && !src->table().bookmark().valid())
        return;
    if (!src->prompter().confirm(QStringLiteral("Czy usunąć bieżący wiersz?"))) return;
    src->run([&] { src->table().remove(); });
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (editing()) {
        QTableView::keyPressEvent(event);
        return;
    }
    DataSource* src = source();
    const bool writable = !isReadOnly() && src && src->isOpen();
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
        case Qt::Key_Insert:
            if (mods == Qt::NoModifier) {
                if (insertKey_ && writable && src->updateRecord())
                    ownInsert_ = src->run([&] { src->table().insert(); });
                return;
            }
            break;
        case Qt::Key_Delete:
            if (mods == Qt::ControlModifier) {
                if (deleteKey_ && writable) deleteCurrentRow();
                return;
            }
            break;
        case Qt::Key_Down:
            if (mods == Qt::NoModifier && currentIndex().row() == model_->rowCount() - 1) {
                if (appendOnDown_ && writable &&
                    src->table().state() != engine::TableState::Insert && src->updateRecord())
                    ownInsert_ = src->run([&] { src->table().append(); });
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            moveToNextCell();
            return;
        case Qt::Key_Space:
            if (multiSelect_ && mods == Qt::NoModifier) {
                const int row = currentIndex().row();
                model_->setMarked(row, !model_->isMarked(row));
                return;
            }
            break;
        case Qt::Key_Escape:
            if (src && src->isEditing()) {
                src->cancel();
                return;
            }
            break;
        default:
            break;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (multiSelect_ && at.isValid() && event->button() == Qt::LeftButton) {
        const int row = at.row();
        const auto mods = event->modifiers();
        if (mods & Qt::ControlModifier) {
            model_->setMarked(row, !model_->isMarked(row));
            anchorRow_ = row;
        } else if (mods & Qt::ShiftModifier) {
            const int from = anchorRow_ >= 0 ? anchorRow_ : std::max(0, model_->currentRow());
            for (int r = std::min(from, row); r <= std::max(from, row); ++r)
                model_->setMarked(r, true);
        } else {
            model_->clearMarks();
            anchorRow_ = row;
        }
        // Only the current row moves; Qt's own range selection is not used for marks.
        setFocus(Qt::MouseFocusReason);
        setCurrentIndex(at);
        return;
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    if (!cancelOnExit_ || event->reason() == Qt::PopupFocusReason ||
        event->reason() == Qt::ActiveWindowFocusReason)
        return;
    // The grid's own cell editor takes the focus too; that is not leaving the grid.
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (w == this) return;
    DataSource* src = source();
    if (src && src->isOpen() && src->table().state() == engine::TableState::Insert &&
        !src->userModified())
        src->cancel();
}

void DataGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
    // The view would show the record's value in an open editor whenever the row changes (the
    // edit beginning, a post, another column set): what the user typed there stays.
    auto* line = editing() ? qobject_cast<QLineEdit*>(indexWidget(currentIndex())) : nullptr;
    const QString typed = line ? line->text() : QString();
    QTableView::dataChanged(topLeft, bottomRight, roles);
    if (line && line->text() != typed) line->setText(typed);
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    // Enter in a cell stores it and goes on to the next one.
    if (hint == QAbstractItemDelegate::SubmitModelCache) moveToNextCell();
}

}  // namespace lumiro::components
