#include "components/help_context.h"

#include <QApplication>
#include <QCursor>
#include <QShortcut>
#include <QVariant>
#include <QWidget>

namespace lumiro::components {

namespace {

constexpr char kProperty[] = "helpContext";

// The control itself or the nearest one holding it that carries a number.
const QWidget* numberedHolder(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (helpContext(w) > 0) return w;
        if (w->isWindow()) break;
    }
    return nullptr;
}

}  // namespace

void setHelpContext(QWidget* widget, int context) {
    if (!widget) return;
    widget->setProperty(kProperty, context > 0 ? QVariant(context) : QVariant());
}

int helpContext(const QWidget* widget) {
    if (!widget) return 0;
    const QVariant value = widget->property(kProperty);
    return value.isValid() ? value.toInt() : 0;
}

int nearestHelpContext(const QWidget* widget) {
    const QWidget* holder = numberedHolder(widget);
    return holder ? helpContext(holder) : 0;
}

int helpContextForKey(const QWidget* focus, const QWidget* underPointer) {
    if (underPointer && underPointer->focusPolicy() == Qt::NoFocus &&
        (!focus || underPointer->window() == focus->window())) {
        const QWidget* holder = numberedHolder(underPointer);
        if (holder && !(focus && (holder == focus || holder->isAncestorOf(focus))))
            return helpContext(holder);
    }
    return nearestHelpContext(focus);
}

QShortcut* installHelpKey(QWidget* window, std::function<void(int)> open) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window, open = std::move(open)] {
        if (!open) return;
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus->window() != window->window()) focus = nullptr;
        open(helpContextForKey(focus, QApplication::widgetAt(QCursor::pos())));
    });
    return shortcut;
}

}  // namespace lumiro::components
