// A grid over the rows of a DataSource's table, in the table's current order and range.
//
// Rows are listed by bookmark, from the index of the source's reading cursor, whenever the
// order, the range or the data may have changed; cells are read row by row when painted, through
// that cursor, and a small cache keeps recently read rows. The bound table itself is moved
// only when the user moves the grid's current row.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTableView>

#include <cstdint>
#include <vector>

#include "components/data_source.h"
#include "components/display_format.h"
#include "components/edit_mask.h"

namespace lumiro::components {

class GroupedHeaderView;

struct GridColumn {
    QString field;
    QString title;  // may hold '\n'; wraps at blanks as well
    bool readOnly = false;
    EditMask mask;
    DisplayFormat display;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

class DataGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit DataGridModel(DataSource* source, QObject* parent = nullptr);

    DataSource* source() const { return source_; }
    int addColumn(const GridColumn& column);
    GridColumn& column(int index) { return columns_[std::size_t(index)]; }
    const GridColumn& column(int index) const { return columns_[std::size_t(index)]; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool isReadOnly() const { return readOnly_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The row the table stands on (the row being inserted while one is), -1 when none.
    int currentRow() const;
    // Bookmark of a listed row (invalid for the row being inserted).
    engine::Bookmark bookmark(int row) const;
    int rowOf(const engine::Bookmark& mark) const;
    bool isInsertRow(int row) const { return insertRow_ && row == int(rows_.size()); }

    // Lists the rows again now rather than when control returns to the event loop.
    void resetNow();
    // Lists the rows again once control returns to the event loop; requests coalesce.
    void requestReset();
    bool resetPending() const { return resetPending_; }

    bool isMarked(int row) const;
    void setMarked(int row, bool marked);
    void clearMarks();
    // Marked rows in the grid's order.
    std::vector<engine::Bookmark> markedRows() const;
    int markedCount() const { return int(marked_.size()); }

    // Row reads for painting and the rows listed by the last reset; tests use them to see
    // that painting reads only what is shown.
    std::int64_t cellRowReads() const { return rowReads_; }
    std::int64_t listedRows() const { return std::int64_t(rows_.size()); }
    std::int64_t listings() const { return listings_; }
    // Cell values that could not be written (and were reported); grows with each one.
    std::int64_t writeFailures() const { return writeFailures_; }

  Q_SIGNALS:
    void rowsListed();
    void marksChanged();

  private:
    static QByteArray keyOf(const engine::Bookmark& mark);
    void listRows();
    void rowUpdated();
    const std::vector<engine::Value>* rowValues(int row) const;
    QString cellText(int row, int column, bool forEdit) const;

    QPointer<DataSource> source_;
    std::vector<GridColumn> columns_;
    bool readOnly_ = true;
    std::vector<engine::Bookmark> rows_;
    QHash<QByteArray, int> rowIndex_;
    bool insertRow_ = false;
    bool resetPending_ = false;
    QSet<QByteArray> marked_;
    mutable QHash<int, std::vector<engine::Value>> cache_;
    mutable std::int64_t rowReads_ = 0;
    std::int64_t listings_ = 0;
    std::int64_t writeFailures_ = 0;
};

// The grid is a pending editor of its source: a cell being edited is written into the record
// buffer before the table posts or leaves the row, however that comes about.
class DataGrid : public QTableView, public PendingEditor {
    Q_OBJECT

  public:
    explicit DataGrid(DataSource* source, QWidget* parent = nullptr);
    ~DataGrid() override;

    DataSource* source() const;
    DataGridModel* gridModel() const { return model_; }
    GroupedHeaderView* titles() const { return header_; }

    // Adds a column for `field`; width in pixels, or the title's width when negative.
    int addColumn(const QString& field, const QString& title, int width = -1);
    void setColumnTitle(int column, const QString& title);
    void setColumnReadOnly(int column, bool readOnly);
    void setColumnEditMask(int column, const QString& mask);
    void setColumnDisplay(int column, DisplayFormat format);
    void setColumnAlignment(int column, Qt::Alignment alignment);
    // A group title over the neighbouring columns first..last.
    void setColumnGroup(int first, int last, const QString& title);

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return model_->isReadOnly(); }
    // Ctrl+click and Space toggle a row's mark, Shift+click marks a range, a plain click
    // clears the marks.
    void setMultiSelect(bool on) { multiSelect_ = on; }
    // The grid's own keys: Insert begins a row, Ctrl+Delete deletes the current row after a
    // question, Down on the last row appends one. Each can be switched off.
    void setInsertKeyEnabled(bool on) { insertKey_ = on; }
    void setDeleteKeyEnabled(bool on) { deleteKey_ = on; }
    void setAppendOnDownEnabled(bool on) { appendOnDown_ = on; }
    // A row begun but not typed into (values set by the program do not count) is cancelled
    // when the focus leaves the grid. On by default.
    void setCancelUntouchedInsertOnExit(bool on) { cancelOnExit_ = on; }

    // Marked rows as bookmarks of the table, in the grid's order.
    std::vector<engine::Bookmark> markedRows() const { return model_->markedRows(); }
    int markedCount() const { return model_->markedCount(); }
    void clearMarks() { model_->clearMarks(); }
    // Marks the table's current row (print commands do this when nothing is marked).
    void markCurrentRow();

    // Writes the text of an open cell editor into the record buffer and closes the editor;
    // false (the editor stays open) when the value does not convert.
    bool commit() override;

  Q_SIGNALS:
    // A column title was clicked (column index as added).
    void titleClicked(int column);
    void marksChanged();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void followTable();
    bool moveTableTo(int row);
    // Enter: the next cell that takes input, on the next row after the last one; at the end
    // of the last row the row is stored.
    void moveToNextCell();
    void storeCurrentRow();
    void deleteCurrentRow();
    bool editing() const { return state() == QAbstractItemView::EditingState; }

    DataGridModel* model_;
    GroupedHeaderView* header_;
    bool multiSelect_ = false;
    bool insertKey_ = true;
    bool deleteKey_ = true;
    bool appendOnDown_ = true;
    bool cancelOnExit_ = true;
    bool ownInsert_ = false;  // the row being inserted was begun by the grid's own key
    bool following_ = false;
    int anchorRow_ = -1;
    int lastColumn_ = 0;
};

}  // namespace lumiro::components
