#pragma once

class QWidget;

namespace lumiro::app {

// Shows `window` application-modal and returns once it is hidden, closed or destroyed. A
// dialog runs its own loop; any other window gets a local one, so that callers work the same
// whichever kind of window the other side built.
void showModal(QWidget& window);

}  // namespace lumiro::app
