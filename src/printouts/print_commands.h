// The print and preview commands of the employee index window: which report forms run for
// which employees and in which order, the confirmations and the prompt to turn the sheets
// over, the chunks of Rp-7 earnings rows, and the previews of the current employee.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "engine/table.h"
#include "printouts/document_label.h"
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
class Tdruk3;
class Tdruk4;
class Tdruk5;
class Tdruk6;
class Tdruk7;
class Tdruk8;
class Tdruk9;
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
    // is generated again for the preview's own print. `label` names its PDF file.
    std::function<void(ReportForm& form, const DocumentLabel& label)> preview;
    // Opens the print parameters window modally.
    std::function<void()> openParameters;
    // The dialog of the list of insured, shown modally with the number of listed persons:
    // the heading typed, or nothing when it was closed by anything but "Wydruk".
    std::function<std::optional<ListHeading>(int listed)> askListHeading;
    // The progress window of a run over several employees: title and maximum, one step, end.
    std::function<void(const QString&, int)> progressStart;
    std::function<void()> progressStep;
    std::function<void()> progressStop;
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

    void WydrukKp11Click();
    void WydrukRp61Click();
    void WydrukRP71Click();
    void Wydrukzacznika1Click();
    void Wydrukzawiadczenia1Click();
    void PodgldKp1str11Click();
    void PodgldKp1str21Click();
    void PodgldRp61Click();
    void PodgladRp6str21Click();
    void Podgldwydrukustr11Click();
    void Podgldwydrukustr21Click();
    void Podgldzacznika1Click();
    void Podgldzawiadczenia1Click();
    void Wydrukwykazuubezpieczonych1Click();
    void Parametrywydruku1Click();

    // The chunk of earnings rows the Rp-7 pages print; loaded by drukuj before each print.
    // drukuj throws the engine's error when the rows cannot be read.
    const EarningsPrintBuffer& earningsPrintBuffer() const { return earnings_; }
    void drukuj(int offset);

    // The employees the last print command left out, "Nazwisko Imię – reason" each.
    const QStringList& lastRunLeftOut() const { return lastLeftOut_; }
    // What the files of the current employee's pages are called, the payer as their author.
    DocumentLabel employeeLabel(const ReportForm& form);
    // The payer's name as the payers table holds it.
    QString payerName();

    Tdruk1& tdruk1();
    Tdruk2& tdruk2();
    Tdruk3& tdruk3();
    Tdruk4& tdruk4();
    Tdruk5& tdruk5();
    Tdruk6& tdruk6();
    Tdruk7& tdruk7();
    Tdruk8& tdruk8();
    Tdruk9& tdruk9();
    FormData& formData() { return *formData_; }

  private:
    // Saves what is typed into the current card, its payer and its detail rows, as "Zapisz
    // dane" does, so that every document prints what the user sees; false (reported) when a
    // save failed and nothing may print.
    bool saveEdits();
    // The marked rows, marking the current one when there are none.
    std::vector<engine::Bookmark> marked();
    bool confirmCount(const QString& text, std::size_t count);
    bool askForSecondPages();
    // P2 says mass printing (never in single mode).
    bool massPrinting();
    // The marked employees' `front` pages and, after the prompt, their `back` pages (none
    // when null): employee by employee, or in mass mode all fronts first.
    void printSheets(const QString& subject, const QString& confirmation, ReportForm& front,
                     ReportForm* back, bool mass);
    // The employee's name for messages: surname and first name as the card has them.
    QString employeeName();
    // Loads the current employee's first chunk for a preview; false (reported) when the
    // earnings cannot be read.
    bool loadForPreview();
    void previewForm(ReportForm& form);

    PrintServices services_;
    std::unique_ptr<FormData> formData_;
    EarningsPrintBuffer earnings_;
    QStringList lastLeftOut_;
    std::unique_ptr<Tdruk1> tdruk1_;
    std::unique_ptr<Tdruk2> tdruk2_;
    std::unique_ptr<Tdruk3> tdruk3_;
    std::unique_ptr<Tdruk4> tdruk4_;
    std::unique_ptr<Tdruk5> tdruk5_;
    std::unique_ptr<Tdruk6> tdruk6_;
    std::unique_ptr<Tdruk7> tdruk7_;
    std::unique_ptr<Tdruk8> tdruk8_;
    std::unique_ptr<Tdruk9> tdruk9_;
};

}  // namespace lumiro::printouts
