// The welcome screen, the program's main window: closing it ends the program.
#pragma once

#include <QWidget>

namespace lumiro::app {

// So far only the frame: the pictures, guide links and the way into the employee index
// come with the rest of the welcome screen.
class TSTART : public QWidget {
  public:
    explicit TSTART(const QString& applicationTitle, QWidget* parent = nullptr);
};

}  // namespace lumiro::app
