#pragma once

class QWidget;

namespace lumiro::app {

// Places a top-level window in the middle of the screen's usable area.
void centerOnScreen(QWidget& window);

}  // namespace lumiro::app
