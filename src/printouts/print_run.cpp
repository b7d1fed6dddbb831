#include "printouts/print_run.h"

#include <QCoreApplication>

#include <exception>

#include "data/data_module.h"
#include "data/table_text.h"
#include "platform/prompter.h"
#include "printouts/print_commands.h"
#include "printouts/report_form.h"
#include "reports/print_target.h"

namespace lumiro::printouts {
namespace {

QString sideName(int side) {
    return side == 1 ? QStringLiteral("strony pierwsze") : QStringLiteral("strony drugie");
}

QString nameOn(engine::Table& employees) {
    const int name = employees.isOpen() ? employees.fieldIndex("POLE1") : -1;
    return name < 0 ? QString() : data::fieldText(employees, name).trimmed();
}

}  // namespace

PrintRun::PrintRun(const PrintServices& services, std::vector<engine::Bookmark> marks,
                   QString subject)
    : services_(services),
      marks_(std::move(marks)),
      subject_(std::move(subject)),
      names_(marks_.size()),
      leftOutFlags_(marks_.size(), false),
      printed_(marks_.size(), false) {
    // Read through a cursor of its own, so that the employee table and its details stay put
    // and no view's filter or range hides a marked card.
    engine::Table& employees = services_.dane->TRP7;
    try {
        if (employees.isOpen()) {
            engine::Table reader(services_.dane->SESJA);
            reader.open(employees.path(), engine::AccessMode::Shared);
            for (std::size_t i = 0; i < marks_.size(); ++i)
                if (reader.gotoBookmark(marks_[i])) names_[i] = nameOn(reader);
        }
    } catch (const std::exception&) {
    }
    for (std::size_t i = 0; i < marks_.size(); ++i)
        if (names_[i].isEmpty()) names_[i] = QStringLiteral("oznaczona pozycja nr %1").arg(i + 1);
}

PrintRun::~PrintRun() {
    endPass();
}

void PrintRun::beginPass(const QString& suffix) {
    endPass();
    if (marks_.size() < 2 || !services_.progressStart) return;
    services_.progressStart(QStringLiteral("Drukowanie ") + subject_ + suffix, int(marks_.size()));
    progressShown_ = true;
}

void PrintRun::endPass() {
    if (!progressShown_) return;
    progressShown_ = false;
    if (services_.progressStop) services_.progressStop();
}

void PrintRun::employeeDone() {
    if (!progressShown_) return;
    if (services_.progressStep) services_.progressStep();
    // The run holds the event loop; the windows repaint, the user's input waits for its end.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool PrintRun::position(std::size_t i) {
    if (failed_ || leftOutFlags_[i]) return false;
    current_ = i;
    try {
        if (services_.dane->TRP7.gotoBookmark(marks_[i])) return true;
    } catch (const std::exception& e) {
        return stop(QString::fromUtf8(e.what()));
    }
    leaveOut(i, QStringLiteral("karty nie ma już w tabeli pracowników"));
    return false;
}

void PrintRun::leaveOut(std::size_t i, const QString& reason) {
    if (leftOutFlags_[i]) return;
    leftOutFlags_[i] = true;
    leftOutText_.append(names_[i] + QStringLiteral(" – ") + reason);
}

bool PrintRun::print(ReportForm& form, int side) {
    if (failed_) return false;
    const QString employee = nameOn(services_.dane->TRP7);
    try {
        const reports::Document document = form.generate();
        const reports::PrintStatus status = services_.target->print(
            document, form.documentName() + (employee.isEmpty() ? QString() : u' ' + employee));
        if (!status) return stop(status.message());
    } catch (const std::exception& e) {
        return stop(QString::fromUtf8(e.what()));
    }
    printed_[current_] = true;
    if (sent_.empty() || sent_.back().employee != employee || sent_.back().side != side)
        sent_.push_back({employee, side});
    return true;
}

QString PrintRun::leftOutLines() const {
    return leftOutText_.isEmpty()
               ? QString()
               : QStringLiteral("\nPominięto:\n") + leftOutText_.join(QStringLiteral(";\n")) + u'.';
}

bool PrintRun::stop(const QString& why) {
    if (failed_) return false;
    failed_ = true;
    endPass();
    QString text = why;
    if (sent_.empty()) {
        text += QStringLiteral("\nNiczego nie wysłano do drukarki.");
    } else {
        for (int side : {1, 2}) {
            QStringList names;
            for (const Sent& s : sent_)
                if (s.side == side && !names.contains(s.employee)) names.append(s.employee);
            if (!names.isEmpty())
                text += QStringLiteral("\nWysłano do drukarki %1: %2.")
                            .arg(sideName(side), names.join(QStringLiteral(", ")));
        }
    }
    services_.prompter->error(text + leftOutLines());
    return false;
}

void PrintRun::finish() {
    endPass();
    if (failed_ || leftOutText_.isEmpty()) return;
    std::size_t printed = 0;
    for (bool p : printed_) printed += p;
    if (printed == 0) {
        services_.prompter->error(
            QStringLiteral(
                "Wydruk %1: nie wydrukowano dokumentu żadnego z oznaczonych pracowników.")
                .arg(subject_) +
            leftOutLines());
        return;
    }
    services_.prompter->warning(
        QStringLiteral("Wydruk %1: wydrukowano dokumenty %2 z %3 oznaczonych pracowników.")
            .arg(subject_)
            .arg(printed)
            .arg(marks_.size()) +
        leftOutLines());
}

}  // namespace lumiro::printouts
