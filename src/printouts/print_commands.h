// The print and preview commands of the employee index window: which report forms run for
// which employees and in which order, the confirmations and the prompt to turn the sheets
// over, the chunks of Rp-7 earnings rows, and the previews of the current employee.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/table.h"
#include "printouts/earnings_print_buffer.h"

namespace lumiro::data {
class Tdane;
}
namespace lumiro::platform {
class Prompter;
}
namespace lumiro::reports {
class PrintTarget;
}

namespace lumiro::printouts {

class FormData;
class ReportForm;
class Tdruk1;
class Tdruk2;
class TKAdF6;

// What the commands take from the program around them.
struct PrintServices {
    data::Tdane* dane = nullptr;
    platform::Prompter* prompter = nullptr;
    // Where the pages go: the current printer in the program, a recording in tests.
    reports::PrintTarget* target = nullptr;
    // The rows marked in the employee grid, in the grid's order, as bookmarks of TRP7; and
    // marking the row TRP7 stands on (the print commands do that when nothing is marked).
    std::function<std::vector<engine::Bookmark>()> markedRows;
    std::function<void()> markCurrentRow;
    // Shows the pages of a form in the preview window and returns when it closes; the form
    // is generated again for the preview's own print. `pdfName` is the file name offered.
    std::function<void(ReportForm& form, const QString& pdfName)> preview;
    // Opens the print parameters window modally.
    std::function<void()> openParameters;
    // Every employee in turn with both of its pages, whatever the parameters say about mass
    // printing: the pages of a PDF file made without a printer.
    bool singleMode = false;
};

class PrintCommands {
  public:
    explicit PrintCommands(PrintServices services);
    ~PrintCommands();
    PrintCommands(const PrintCommands&) = delete;
    PrintCommands& operator=(const PrintCommands&) = delete;

    // The commands by the path of their menu item, for the index window.
    std::map<QString, std::function<void()>> menuCommands();

    void WydrukRP71Click();
    void Podgldwydrukustr11Click();
    void Podgldwydrukustr21Click();
    void Parametrywydruku1Click();

    // The chunk of earnings rows the Rp-7 pages print; loaded by drukuj before each print.
    const EarningsPrintBuffer& earningsPrintBuffer() const { return earnings_; }
    void drukuj(int offset);

    Tdruk1& tdruk1();
    Tdruk2& tdruk2();
    FormData& formData() { return *formData_; }

  private:
    struct Run;
    // The marked rows, marking the current one when there are none.
    std::vector<engine::Bookmark> marked();
    bool confirmCount(const QString& text, std::size_t count);
    bool askForSecondPages();
    // The employee's name for messages: surname and first name as the card has them.
    QString employeeName();
    void previewForm(ReportForm& form);

    PrintServices services_;
    std::unique_ptr<FormData> formData_;
    EarningsPrintBuffer earnings_;
    std::unique_ptr<Tdruk1> tdruk1_;
    std::unique_ptr<Tdruk2> tdruk2_;
};

}  // namespace lumiro::printouts
