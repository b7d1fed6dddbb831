#include "records/id_number_indicator.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace lumiro::records {

// Drawn rather than taken from a font: not every system font has a tick.
QPixmap checkPicture(IdNumberCheck check, int size) {
    if (check == IdNumberCheck::Empty) return {};
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    if (check == IdNumberCheck::Valid) {
        QPen pen(QColor(0x2e, 0x8b, 0x3a), std::max(1.5, s / 7));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        QPainterPath tick;
        tick.moveTo(s * 0.18, s * 0.52);
        tick.lineTo(s * 0.42, s * 0.76);
        tick.lineTo(s * 0.84, s * 0.24);
        painter.drawPath(tick);
    } else {
        painter.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
        painter.drawEllipse(QRectF(0.5, 0.5, s - 1, s - 1));
        QFont font = painter.font();
        font.setPixelSize(std::max(6, int(s * 0.75)));
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
    }
    return picture;
}

IdNumberIndicator::IdNumberIndicator(IdNumberKind kind, QLineEdit* edit, QWidget* parent)
    : QLabel(parent), kind_(kind) {
    const int size = fontMetrics().height();
    setFixedSize(size, size);
    connect(edit, &QLineEdit::textChanged, this, &IdNumberIndicator::update);
    update(edit->text());
}

void IdNumberIndicator::update(const QString& text) {
    check_ = checkIdNumber(kind_, text);
    setPixmap(checkPicture(check_, width()));
    setToolTip(describeCheck(kind_, check_));
}

LimitedCellDelegate::LimitedCellDelegate(QAbstractItemDelegate* base, int maxLength,
                                         std::optional<IdNumberKind> kind, QObject* parent)
    : QStyledItemDelegate(parent), base_(base), maxLength_(maxLength), kind_(kind) {}

QWidget* LimitedCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QWidget* editor = base_ ? base_->createEditor(parent, option, index)
                            : QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && maxLength_ > 0)
        edit->setMaxLength(std::min(edit->maxLength(), maxLength_));
    return editor;
}

void LimitedCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (base_)
        base_->setEditorData(editor, index);
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void LimitedCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const {
    if (base_)
        base_->setModelData(editor, model, index);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

void LimitedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (base_)
        base_->paint(painter, option, index);
    else
        QStyledItemDelegate::paint(painter, option, index);
    if (!kind_) return;
    const auto check = checkIdNumber(*kind_, index.data(Qt::DisplayRole).toString());
    if (check == IdNumberCheck::Empty) return;
    const int size = std::min(option.rect.height() - 4, option.fontMetrics.height());
    if (size <= 4) return;
    const QRect at(option.rect.right() - size - 2, option.rect.center().y() - size / 2, size, size);
    painter->drawPixmap(at, checkPicture(check, size));
}

bool LimitedCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (kind_ && event->type() == QEvent::ToolTip) {
        const auto check = checkIdNumber(*kind_, index.data(Qt::DisplayRole).toString());
        if (check != IdNumberCheck::Empty) {
            QToolTip::showText(event->globalPos(), describeCheck(*kind_, check), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace lumiro::records
