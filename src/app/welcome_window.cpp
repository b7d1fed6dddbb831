#include "app/welcome_window.h"

#include "app/window_placement.h"

namespace lumiro::app {

TSTART::TSTART(const QString& applicationTitle, QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(applicationTitle);
    resize(800, 560);
    centerOnScreen(*this);
}

}  // namespace lumiro::app
