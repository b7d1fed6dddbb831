#include "app/modal_window.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace lumiro::app {
namespace {

class QuitWhenHidden : public QObject {
  public:
    explicit QuitWhenHidden(QEventLoop& loop) : loop_(loop) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) loop_.quit();
        return false;
    }

  private:
    QEventLoop& loop_;
};

}  // namespace

void showModal(QWidget& window) {
    if (auto* dialog = qobject_cast<QDialog*>(&window)) {
        dialog->exec();
        return;
    }
    QPointer<QWidget> guard(&window);
    const Qt::WindowModality previous = window.windowModality();
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QuitWhenHidden quitWhenHidden(loop);
    window.installEventFilter(&quitWhenHidden);
    QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window.show();
    if (window.isVisible()) loop.exec(QEventLoop::DialogExec);
    if (!guard) return;
    window.removeEventFilter(&quitWhenHidden);
    window.setWindowModality(previous);
}

}  // namespace lumiro::app
