#include "printouts/print_commands.h"

#include <QStringList>

#include <exception>

#include "data/data_module.h"
#include "data/table_text.h"
#include "platform/prompter.h"
#include "printouts/form_data.h"
#include "printouts/rp7_forms.h"
#include "reports/print_target.h"

namespace lumiro::printouts {
namespace {

const QString kSecondPagePrompt = QStringLiteral("Wydruk 2 strony po obróceniu kartki wciśnij Yes");

QString paperSide(int page) {
    return page == 1 ? QStringLiteral("strony pierwsze") : QStringLiteral("strony drugie");
}

}  // namespace

// One command's run over the marked employees. Each print of a form is one job; when the
// printer refuses one, the run ends and the user learns which employees' pages went out,
// so that nothing is printed twice or left out without notice.
struct PrintCommands::Run {
    PrintCommands& commands;
    struct Sent {
        QString employee;
        int page;
    };
    std::vector<Sent> sent;
    bool failed = false;

    // Sends one run of the form; false (after telling the user) when the run must end.
    bool print(ReportForm& form, int page) {
        if (failed) return false;
        const QString employee = commands.employeeName();
        try {
            const reports::Document document = form.generate();
            const reports::PrintStatus status = commands.services_.target->print(
                document, form.documentName() + (employee.isEmpty() ? QString() : u' ' + employee));
            if (!status) return stop(status.message());
        } catch (const std::exception& e) {
            return stop(QString::fromUtf8(e.what()));
        }
        if (sent.empty() || sent.back().employee != employee || sent.back().page != page)
            sent.push_back({employee, page});
        return true;
    }

    bool stop(const QString& why) {
        failed = true;
        QString text = why;
        if (sent.empty()) {
            text += QStringLiteral("\nNiczego nie wysłano do drukarki.");
        } else {
            for (int page : {1, 2}) {
                QStringList names;
                for (const Sent& s : sent)
                    if (s.page == page && !names.contains(s.employee)) names.append(s.employee);
                if (!names.isEmpty())
                    text += QStringLiteral("\nWysłano do drukarki %1: %2.")
                                .arg(paperSide(page), names.join(QStringLiteral(", ")));
            }
        }
        commands.services_.prompter->error(text);
        return false;
    }
};

PrintCommands::PrintCommands(PrintServices services)
    : services_(std::move(services)),
      formData_(std::make_unique<ModuleFormData>(*services_.dane)) {}

PrintCommands::~PrintCommands() = default;

std::map<QString, std::function<void()>> PrintCommands::menuCommands() {
    std::map<QString, std::function<void()>> commands;
    commands[QStringLiteral("Wydruki/Wydruk Rp-7")] = [this] { WydrukRP71Click(); };
    commands[QStringLiteral("Wydruki/Podgląd Rp-7 str. 1")] = [this] { Podgldwydrukustr11Click(); };
    commands[QStringLiteral("Wydruki/Podgląd Rp-7 str. 2")] = [this] { Podgldwydrukustr21Click(); };
    if (services_.openParameters)
        commands[QStringLiteral("Parametry/Parametry wydruku")] = [this] {
            Parametrywydruku1Click();
        };
    return commands;
}

Tdruk1& PrintCommands::tdruk1() {
    if (!tdruk1_) tdruk1_ = std::make_unique<Tdruk1>(Rp7Inputs{*formData_, earnings_});
    return *tdruk1_;
}

Tdruk2& PrintCommands::tdruk2() {
    if (!tdruk2_) tdruk2_ = std::make_unique<Tdruk2>(Rp7Inputs{*formData_, earnings_});
    return *tdruk2_;
}

void PrintCommands::drukuj(int offset) {
    earnings_ = printouts::drukuj(services_.dane->Tzar, offset);
}

std::vector<engine::Bookmark> PrintCommands::marked() {
    auto rows = services_.markedRows ? services_.markedRows() : std::vector<engine::Bookmark>{};
    if (rows.empty() && services_.markCurrentRow) {
        services_.markCurrentRow();
        rows = services_.markedRows();
    }
    return rows;
}

bool PrintCommands::confirmCount(const QString& text, std::size_t count) {
    return services_.prompter->confirm(text + QString::number(count));
}

bool PrintCommands::askForSecondPages() {
    return services_.prompter->confirm(kSecondPagePrompt);
}

QString PrintCommands::employeeName() {
    engine::Table& employees = services_.dane->TRP7;
    const int name = employees.isOpen() ? employees.fieldIndex("POLE1") : -1;
    return name < 0 ? QString() : data::fieldText(employees, name).trimmed();
}

void PrintCommands::previewForm(ReportForm& form) {
    if (!services_.preview) return;
    const QString employee = employeeName();
    QString name = form.documentName() + (employee.isEmpty() ? QString() : u' ' + employee);
    // A file name may not carry what a folder name means on any system.
    for (QChar& c : name)
        if (QStringLiteral("\\/:*?\"<>|").contains(c)) c = u'_';
    services_.preview(form, name + QStringLiteral(".pdf"));
}

void PrintCommands::WydrukRP71Click() {
    data::Tdane& dane = *services_.dane;
    tdruk1();
    tdruk2();
    const std::vector<engine::Bookmark> rows = marked();
    if (!confirmCount(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-7 w ilości "),
                      rows.size()))
        return;
    const int p2 = dane.TPARA.isOpen() ? dane.TPARA.fieldIndex("P2") : -1;
    const bool mass =
        !services_.singleMode && p2 >= 0 && data::fieldText(dane.TPARA, p2).trimmed() == u"1";

    Run run{*this, {}, false};
    // The chunks of the current employee, read anew for each one as the parameters may say
    // otherwise by now; an employee with more rows than three chunks hold is named once.
    auto chunks = [&](bool warn) {
        const int size = earningsChunkSize(formData_->informationPages());
        drukuj(0);
        const int rowsOfEmployee = earnings_.employeeRows;
        if (warn && earningsRowsLeftOut(rowsOfEmployee, size) > 0)
            services_.prompter->warning(
                QStringLiteral("Pracownik %1 ma %2 wierszy zarobków, a jeden wydruk Rp-7 mieści "
                               "%3. Zostanie wydrukowanych pierwszych %3 wierszy; pozostałe "
                               "należy wydrukować z drugiej karty pracownika (polecenie "
                               "„Kopiuj pozycję”).")
                    .arg(employeeName())
                    .arg(rowsOfEmployee)
                    .arg(3 * size));
        return earningsChunkOffsets(rowsOfEmployee, size);
    };
    auto position = [&](const engine::Bookmark& mark) {
        try {
            return dane.TRP7.gotoBookmark(mark);
        } catch (const std::exception& e) {
            run.stop(QString::fromUtf8(e.what()));
            return false;
        }
    };

    if (!mass) {
        for (const engine::Bookmark& mark : rows) {
            if (run.failed) return;
            if (!position(mark)) continue;
            for (int offset : chunks(true)) {
                drukuj(offset);
                if (!run.print(*tdruk1_, 1)) return;
                if (askForSecondPages() && !run.print(*tdruk2_, 2)) return;
            }
        }
        return;
    }
    for (const engine::Bookmark& mark : rows) {
        if (run.failed) return;
        if (!position(mark)) continue;
        for (int offset : chunks(true)) {
            drukuj(offset);
            if (!run.print(*tdruk1_, 1)) return;
        }
    }
    if (run.failed || !askForSecondPages()) return;
    // The same order as the first pages, so that the turned-over stack matches sheet for sheet.
    for (const engine::Bookmark& mark : rows) {
        if (!position(mark)) continue;
        for (int offset : chunks(false)) {
            drukuj(offset);
            if (!run.print(*tdruk2_, 2)) return;
        }
    }
}

void PrintCommands::Podgldwydrukustr11Click() {
    drukuj(0);
    previewForm(tdruk1());
}

void PrintCommands::Podgldwydrukustr21Click() {
    drukuj(0);
    previewForm(tdruk2());
}

void PrintCommands::Parametrywydruku1Click() {
    if (services_.openParameters) services_.openParameters();
}

}  // namespace lumiro::printouts
