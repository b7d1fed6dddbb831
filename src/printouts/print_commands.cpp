#include "printouts/print_commands.h"

#include <QStringList>

#include <exception>

#include "data/data_module.h"
#include "data/table_text.h"
#include "platform/prompter.h"
#include "printouts/attachment_form.h"
#include "printouts/certificate_form.h"
#include "printouts/form_data.h"
#include "printouts/insured_list_form.h"
#include "printouts/kp1_forms.h"
#include "printouts/rp6_forms.h"
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

    // Puts the employee table on the marked row; false when the row is gone (skipped) or the
    // table failed (the run ends).
    bool position(const engine::Bookmark& mark) {
        try {
            return commands.services_.dane->TRP7.gotoBookmark(mark);
        } catch (const std::exception& e) {
            return stop(QString::fromUtf8(e.what()));
        }
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
      formData_(std::make_unique<ModuleFormData>(*services_.dane)) {
    // The attachment's form exists from the start of the program.
    tdruk6();
}

PrintCommands::~PrintCommands() = default;

std::map<QString, std::function<void()>> PrintCommands::menuCommands() {
    std::map<QString, std::function<void()>> commands;
    const std::pair<const char16_t*, void (PrintCommands::*)()> items[] = {
        {u"Zadania/Wydruk wykazu ubezpieczonych", &PrintCommands::Wydrukwykazuubezpieczonych1Click},
        {u"Wydruki/Wydruk Kp -1", &PrintCommands::WydrukKp11Click},
        {u"Wydruki/Wydruk Rp-6", &PrintCommands::WydrukRp61Click},
        {u"Wydruki/Wydruk Rp-7", &PrintCommands::WydrukRP71Click},
        {u"Wydruki/Wydruk załącznika", &PrintCommands::Wydrukzacznika1Click},
        {u"Wydruki/Wydruk zaświadczenia", &PrintCommands::Wydrukzawiadczenia1Click},
        {u"Wydruki/Podgląd Kp-1 str. 1", &PrintCommands::PodgldKp1str11Click},
        {u"Wydruki/Podgląd Kp-1 str. 2", &PrintCommands::PodgldKp1str21Click},
        {u"Wydruki/Podgląd Rp-6 str. 1", &PrintCommands::PodgldRp61Click},
        {u"Wydruki/Podgląd Rp-6 str. 2", &PrintCommands::PodgladRp6str21Click},
        {u"Wydruki/Podgląd Rp-7 str. 1", &PrintCommands::Podgldwydrukustr11Click},
        {u"Wydruki/Podgląd Rp-7 str. 2", &PrintCommands::Podgldwydrukustr21Click},
        {u"Wydruki/Podgląd załącznika", &PrintCommands::Podgldzacznika1Click},
        {u"Wydruki/Podgląd zaświadczenia", &PrintCommands::Podgldzawiadczenia1Click},
    };
    for (const auto& [path, handler] : items) commands[QString::fromUtf16(path)] = [this, h = handler] { (this->*h)(); };
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

namespace {
template <typename Form>
Form& made(std::unique_ptr<Form>& form, FormData& data) {
    if (!form) form = std::make_unique<Form>(data);
    return *form;
}
}  // namespace

Tdruk3& PrintCommands::tdruk3() { return made(tdruk3_, *formData_); }
Tdruk4& PrintCommands::tdruk4() { return made(tdruk4_, *formData_); }
Tdruk5& PrintCommands::tdruk5() { return made(tdruk5_, *formData_); }
Tdruk6& PrintCommands::tdruk6() { return made(tdruk6_, *formData_); }
Tdruk7& PrintCommands::tdruk7() { return made(tdruk7_, *formData_); }
Tdruk8& PrintCommands::tdruk8() { return made(tdruk8_, *formData_); }

Tdruk9& PrintCommands::tdruk9() {
    if (!tdruk9_) {
        data::Tdane* dane = services_.dane;
        tdruk9_ = std::make_unique<Tdruk9>(*formData_, [dane] { return int(dane->WybraneNR.size()); });
    }
    return *tdruk9_;
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

bool PrintCommands::massPrinting() {
    data::Tdane& dane = *services_.dane;
    const int p2 = dane.TPARA.isOpen() ? dane.TPARA.fieldIndex("P2") : -1;
    return !services_.singleMode && p2 >= 0 && data::fieldText(dane.TPARA, p2).trimmed() == u"1";
}

void PrintCommands::printSheets(const QString& confirmation, ReportForm& front, ReportForm* back,
                                bool mass) {
    const std::vector<engine::Bookmark> rows = marked();
    if (!confirmCount(confirmation, rows.size())) return;
    Run run{*this, {}, false};
    if (!mass) {
        for (const engine::Bookmark& mark : rows) {
            if (run.failed) return;
            if (!run.position(mark)) continue;
            if (!run.print(front, 1)) return;
            if (back && askForSecondPages() && !run.print(*back, 2)) return;
        }
        return;
    }
    for (const engine::Bookmark& mark : rows) {
        if (run.failed) return;
        if (run.position(mark) && !run.print(front, 1)) return;
    }
    if (run.failed || !back || !askForSecondPages()) return;
    // The same order as the fronts, so that the turned-over stack matches sheet for sheet.
    for (const engine::Bookmark& mark : rows)
        if (run.position(mark) && !run.print(*back, 2)) return;
}

void PrintCommands::WydrukKp11Click() {
    Tdruk3& front = tdruk3();
    Tdruk4& back = tdruk4();
    printSheets(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Kp-1 w ilości "), front, &back,
                massPrinting());
}

void PrintCommands::WydrukRp61Click() {
    Tdruk5& front = tdruk5();
    Tdruk8& back = tdruk8();
    // The information page only with the information; it carries no employee's data, so in
    // mass mode it prints once per marked employee.
    const bool mass = massPrinting();
    printSheets(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-6 w ilości "), front,
                formData_->informationPages() ? &back : nullptr, mass);
}

void PrintCommands::Wydrukzacznika1Click() {
    printSheets(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów w ilości "), tdruk6(), nullptr, false);
}

void PrintCommands::Wydrukzawiadczenia1Click() {
    printSheets(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów w ilości "), tdruk7(), nullptr, false);
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
    tdruk1();
    tdruk2();
    const std::vector<engine::Bookmark> rows = marked();
    if (!confirmCount(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-7 w ilości "),
                      rows.size()))
        return;
    const bool mass = massPrinting();

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
    auto position = [&](const engine::Bookmark& mark) { return run.position(mark); };

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

void PrintCommands::PodgldKp1str11Click() {
    previewForm(tdruk3());
}

void PrintCommands::PodgldKp1str21Click() {
    previewForm(tdruk4());
}

void PrintCommands::PodgldRp61Click() {
    previewForm(tdruk5());
}

void PrintCommands::PodgladRp6str21Click() {
    previewForm(tdruk8());
}

void PrintCommands::Podgldzacznika1Click() {
    previewForm(tdruk6());
}

void PrintCommands::Podgldzawiadczenia1Click() {
    previewForm(tdruk7());
}

void PrintCommands::Wydrukwykazuubezpieczonych1Click() {
    data::Tdane& dane = *services_.dane;
    engine::Table& view = dane.WRP7;
    // The marked employees' numbers, read through the second view so that the grid's row
    // stays where it is; the list comes out in the grid's order.
    dane.WybraneNR.clear();
    try {
        view.setFiltered(false);
        view.setIndexName(dane.TRP7.indexName());
        const int nr = view.field("NR");
        for (const engine::Bookmark& mark : services_.markedRows ? services_.markedRows()
                                                                 : std::vector<engine::Bookmark>{})
            if (view.gotoBookmark(mark) && !view.isNull(nr)) dane.WybraneNR.push_back(std::int32_t(view.asInteger(nr)));
    } catch (const std::exception& e) {
        dane.WybraneNR.clear();
        services_.prompter->error(QString::fromUtf8(e.what()));
        return;
    }
    if (dane.WybraneNR.empty()) {
        services_.prompter->warning(QStringLiteral("Nie oznaczono żadnego ubezpieczonego."));
        return;
    }
    const std::optional<ListHeading> heading =
        services_.askListHeading ? services_.askListHeading(int(dane.WybraneNR.size())) : ListHeading{};
    if (!heading) return;
    Tdruk9& list = tdruk9();
    list.setHeading(heading->number, heading->year, heading->date);
    // Whatever happens in the preview, the view lets everyone through again afterwards.
    struct FilterOn {
        data::Tdane& dane;
        explicit FilterOn(data::Tdane& d) : dane(d) {
            dane.WRP7.setFiltered(true);
            dane.WRP7.refresh();
        }
        ~FilterOn() {
            try {
                dane.WRP7.setFiltered(false);
                dane.WybraneNR.clear();
                dane.WRP7.refresh();
            } catch (...) {
            }
        }
    };
    try {
        FilterOn filter(dane);
        previewForm(list);
    } catch (const std::exception& e) {
        services_.prompter->error(QString::fromUtf8(e.what()));
    }
}

void PrintCommands::Parametrywydruku1Click() {
    if (services_.openParameters) services_.openParameters();
}

}  // namespace lumiro::printouts
