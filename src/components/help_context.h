// Context help. A control may carry a help context number: the number of a topic of the
// program's help document (how a number names a topic is the help document's business, see
// app/local_documents.h). F1 asks for the topic of the control that has the focus: its own
// number, else the nearest number of the controls that hold it; 0 when none has one, which
// stands for the help's first topic.
#pragma once

#include <functional>

class QShortcut;
class QWidget;

namespace lumiro::components {

// 0 removes the number.
void setHelpContext(QWidget* widget, int context);
// The control's own number, 0 when it has none.
int helpContext(const QWidget* widget);
// The number of the control or of the nearest control that holds it, up to its window.
int nearestHelpContext(const QWidget* widget);

// What F1 asks for, given the focused control and the control under the mouse pointer (either
// may be null). Controls that never take the focus (the navigator's buttons) can be asked
// about by pointing at them: the pointer's number counts when the pointed control takes no
// focus and its numbered holder does not hold the focus as well; otherwise the focus decides.
int helpContextForKey(const QWidget* focus, const QWidget* underPointer);

// F1 anywhere in `window` calls `open` with helpContextForKey of the focused control and the
// control under the pointer. The shortcut belongs to the window.
QShortcut* installHelpKey(QWidget* window, std::function<void(int context)> open);

}  // namespace lumiro::components
