// The pages of the employee index window after its index page: each edits one form's data
// of the current employee through data-aware controls on the data module's tables. The
// window hosts them in its page control, in the order createFormPages returns them.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "data/information_notes.h"

namespace lumiro::data {
class Tdane;
}
namespace lumiro::platform {
class Prompter;
}

namespace lumiro::records {

// Which official note an "INFORMACJA" button asks for.
using data::InformationNote;

struct FormPagesContext {
    data::Tdane& dane;
    platform::Prompter& prompter;
    // Opens the information window at one note; empty when that window is not available.
    std::function<void(InformationNote)> openNote;
};

class FormPage : public QWidget {
    Q_OBJECT

  public:
    using QWidget::QWidget;
    // The tab's caption, exactly as the page control shows it.
    virtual QString caption() const = 0;
    // Called when the page becomes the current page and when it stops being it.
    virtual void pageShown() {}
    virtual void pageHidden() {}
    // The certificate page fills its table from the card ("Import danych"); others ignore it.
    virtual bool importsData() const { return false; }
    virtual void importData() {}
};

// The nine form pages in page order: "ZUS Kp-1", "ZUS Kp-1 CD", "ZUS Kp-1 CD", "ZUS Rp-6",
// "ZUS RP-7", "ZUS RP-7 CD", "ZUS RP-7 CD", "Załącznik", "Zaświadczenie".
std::vector<FormPage*> createFormPages(FormPagesContext& context, QWidget* parent);

}  // namespace lumiro::records
