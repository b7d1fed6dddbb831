#include "app/welcome_window.h"

namespace lumiro::app {

TSTART::TSTART(const QString& applicationTitle, QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(applicationTitle);
    resize(800, 560);
}

}  // namespace lumiro::app
