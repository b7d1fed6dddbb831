#include "app/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace lumiro::app {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

void LinkLabel::click() {
    if (onClick_) onClick_();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        click();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            click();
            event->accept();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

}  // namespace lumiro::app
