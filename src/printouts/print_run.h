// One run of a print command over the marked employees: the employee table put on each in
// turn, one print job per printed page, the progress window while it runs, and a closing word
// on everything that did not go out. A job the printer refuses ends the run with a message
// naming whose pages went out, so that nothing is printed twice or left out without notice; an
// employee that cannot be printed is left out and named at the end with the count printed.
#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

#include "engine/table.h"

namespace lumiro::printouts {

struct PrintServices;
class ReportForm;

class PrintRun {
  public:
    // `subject` names the document in the captions: "Rp-7" gives "Drukowanie Rp-7" above the
    // progress and "Wydruk Rp-7: ..." in the closing message; "załącznika" is the genitive of
    // the attachment. The employees' names are read as the run starts, so that one deleted
    // meanwhile is still named.
    PrintRun(const PrintServices& services, std::vector<engine::Bookmark> marks, QString subject);
    ~PrintRun();  // the progress window is closed whatever ended the run
    PrintRun(const PrintRun&) = delete;
    PrintRun& operator=(const PrintRun&) = delete;

    std::size_t count() const { return marks_.size(); }
    bool failed() const { return failed_; }

    // A pass over the employees: the progress window shows `suffix` after its title and steps
    // once per employee, when there is more than one. endPass closes it before any question.
    void beginPass(const QString& suffix = {});
    void endPass();
    // One employee's pages of this pass are done (or it was left out): the gauge moves and the
    // windows repaint.
    void employeeDone();

    // Puts the employee table on employee `i`. False when the run has ended, when the employee
    // was left out before, or when its card is gone (it is then left out and named at the end).
    bool position(std::size_t i);
    // Leaves employee `i` out of this and the later passes, for the reason given.
    void leaveOut(std::size_t i, const QString& reason);
    // Sends one run of the form as one job, `side` 1 or 2 of the sheet. False when the run ends
    // (the user has been told).
    bool print(ReportForm& form, int side);
    // Ends the run: the reason, whose pages went out and who was left out. Returns false.
    bool stop(const QString& why);
    // After the last pass: the employees left out, with the count of those printed; an error
    // when nobody's pages went out.
    void finish();

    // "Nazwisko Imię – reason" of everyone left out.
    const QStringList& leftOut() const { return leftOutText_; }
    // The name of employee `i` as the card had it when the run started.
    const QString& name(std::size_t i) const { return names_[i]; }

  private:
    QString leftOutLines() const;

    const PrintServices& services_;
    std::vector<engine::Bookmark> marks_;
    QString subject_;
    std::vector<QString> names_;
    std::vector<bool> leftOutFlags_;
    std::vector<bool> printed_;
    QStringList leftOutText_;
    struct Sent {
        QString employee;
        int side;
    };
    std::vector<Sent> sent_;
    std::size_t current_ = 0;
    bool failed_ = false;
    bool progressShown_ = false;
};

}  // namespace lumiro::printouts
