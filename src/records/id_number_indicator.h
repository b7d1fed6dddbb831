// Quiet check-digit indicators: a green tick when the number's check digit agrees, a grey
// question mark when it does not, nothing while the field is empty. They never refuse or
// change what is typed.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QStyledItemDelegate>

#include <optional>

#include "records/id_numbers.h"

class QLineEdit;

namespace lumiro::records {

// The indicator's picture, `size` pixels square; a null pixmap for an empty field.
QPixmap checkPicture(IdNumberCheck check, int size);

// Shown beside a line edit; follows its text, whether typed or loaded from the record.
class IdNumberIndicator : public QLabel {
    Q_OBJECT

  public:
    IdNumberIndicator(IdNumberKind kind, QLineEdit* edit, QWidget* parent = nullptr);
    IdNumberCheck check() const { return check_; }

  private:
    void update(const QString& text);

    IdNumberKind kind_;
    IdNumberCheck check_ = IdNumberCheck::Empty;
};

// A grid column's cell editor with a tighter length limit than the column's size, and
// optionally the check indicator painted at the cell's right edge (its tooltip explains it).
// Editing itself stays with the grid's own delegate.
class LimitedCellDelegate : public QStyledItemDelegate {
  public:
    // `base` is the grid's own delegate and must outlive this one. maxLength 0: no tighter
    // limit.
    LimitedCellDelegate(QAbstractItemDelegate* base, int maxLength,
                        std::optional<IdNumberKind> kind, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    int maxLength() const { return maxLength_; }

  private:
    QPointer<QAbstractItemDelegate> base_;
    int maxLength_;
    std::optional<IdNumberKind> kind_;
};

}  // namespace lumiro::records
