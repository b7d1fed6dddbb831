// Widgets bound to one column of the current row of a DataSource. They show the value,
// follow the row, enter edit state when the user types and write the value into the record
// buffer; posting is left to the table (a move, a save, the navigator).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>

#include "components/data_source.h"
#include "components/display_format.h"
#include "components/edit_mask.h"

class QButtonGroup;

namespace lumiro::components {

// The column a control shows, resolved again whenever the table may have been reopened.
class FieldLink {
  public:
    FieldLink(DataSource* source, const QString& column) : source_(source), column_(column) {}
    DataSource* source() const { return source_; }
    const QString& column() const { return column_; }
    int field() const;
    // The column's text in the current row; empty when the table is closed or has no row.
    QString text() const;
    engine::Value value() const;
    // Length limit of a text column, 0 for other types.
    int maxLength() const;
    bool isTextColumn() const;
    bool canShow() const;

  private:
    QPointer<DataSource> source_;
    QString column_;
};

// A line edit for one column. Text columns are written as the user types, other columns
// and masked edits when the edit is left or Enter is pressed; a value that does not convert
// is reported and the edit keeps the focus.
class DbEdit : public QLineEdit, public PendingEditor {
    Q_OBJECT

  public:
    DbEdit(DataSource* source, const QString& column, QWidget* parent = nullptr);
    ~DbEdit() override;

    // The mask in the layouts' notation ("9999.99.99;1; "), see EditMask.
    void setEditMask(const QString& mask);
    const EditMask& editMask() const { return mask_; }
    const FieldLink& link() const { return link_; }
    // Forms ask for fewer characters than some columns hold (a PESEL in a 50-character
    // column); 0 leaves the column's own size as the limit.
    void setInputLimit(int limit);

    bool commit() override;
    bool hasPendingText() const { return pending_; }

  Q_SIGNALS:
    // The user changed the text.
    void changed();
    // The edit was left after its value reached the record buffer.
    void exited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void refresh();
    void userEdited();
    bool writesAsTyped() const;

    FieldLink link_;
    EditMask mask_;
    bool pending_ = false;
    bool loading_ = false;
    bool refocusing_ = false;
    int inputLimit_ = 0;
};

// Read-only text of one column.
class DbText : public QLabel {
    Q_OBJECT

  public:
    DbText(DataSource* source, const QString& column, QWidget* parent = nullptr);
    void setDisplayFormat(DisplayFormat format);

  private:
    void refresh();
    FieldLink link_;
    DisplayFormat format_;
};

// A check box for a logical column; unchecked when the value is null.
class DbCheckBox : public QCheckBox {
    Q_OBJECT

  public:
    DbCheckBox(DataSource* source, const QString& column, const QString& text,
               QWidget* parent = nullptr);

  Q_SIGNALS:
    void changed();
    void exited();

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void refresh();
    void userToggled(bool on);
    FieldLink link_;
    bool loading_ = false;
};

// Radio buttons, one per item; choosing one stores its value. A stored value that matches no
// item leaves every button unchecked.
class DbRadioGroup : public QGroupBox {
    Q_OBJECT

  public:
    DbRadioGroup(DataSource* source, const QString& column, const QString& title,
                 QWidget* parent = nullptr);
    // Values default to the items' captions.
    void setItems(const QStringList& items, const QStringList& values = {});
    int checkedItem() const;

  Q_SIGNALS:
    void changed();

  private:
    void refresh();
    void userChose(int item);
    FieldLink link_;
    QButtonGroup* buttons_;
    QStringList values_;
    bool loading_ = false;
};

// A drop-down for a text column: editable (any text, the items as suggestions) or list-only.
// The stored text is cut to the column's length, so an entry "P - Osoba Prawna" in a
// one-character column stores "P"; a list-only drop-down then shows the entry the stored text
// begins.
class DbComboBox : public QComboBox, public PendingEditor {
    Q_OBJECT

  public:
    DbComboBox(DataSource* source, const QString& column, bool listOnly, QWidget* parent = nullptr);
    ~DbComboBox() override;
    void setItems(const QStringList& items);
    bool commit() override;

  Q_SIGNALS:
    void changed();
    void exited();

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void refresh();
    void userChanged(const QString& text);
    FieldLink link_;
    bool listOnly_;
    bool loading_ = false;
    bool pending_ = false;
};

// A multi-line text column; lines are joined with CR LF in the record, as stored texts have it.
class DbMemo : public QPlainTextEdit, public PendingEditor {
    Q_OBJECT

  public:
    DbMemo(DataSource* source, const QString& column, QWidget* parent = nullptr);
    ~DbMemo() override;
    bool commit() override;

  Q_SIGNALS:
    void exited();

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void refresh();
    FieldLink link_;
    bool loading_ = false;
    bool pending_ = false;
};

}  // namespace lumiro::components
