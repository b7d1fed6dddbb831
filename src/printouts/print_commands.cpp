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
#include "printouts/print_run.h"
#include "printouts/rp6_forms.h"
#include "printouts/rp7_forms.h"
#include "reports/print_target.h"

namespace lumiro::printouts {
namespace {

// The box shows Polish buttons; the prompt names the one the user sees.
const QString kSecondPagePrompt = QStringLiteral("Wydruk 2 strony po obróceniu kartki wciśnij Tak");

}  // namespace

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

bool PrintCommands::saveEdits() {
    data::Tdane& dane = *services_.dane;
    // In the order "Zapisz dane" saves them: a new card before its detail rows.
    for (engine::Table* table :
         {&dane.TZlec, &dane.TRP7, &dane.Tzar, &dane.TZal, &dane.Tzal2, &dane.TZal3}) {
        try {
            if (!dane.ZapiszRekord(*table)) return false;
        } catch (const std::exception& e) {
            services_.prompter->error(QString::fromUtf8(e.what()));
            return false;
        }
    }
    return true;
}

void PrintCommands::printSheets(const QString& subject, const QString& confirmation,
                                ReportForm& front, ReportForm* back, bool mass) {
    lastLeftOut_.clear();
    if (!saveEdits()) return;
    const std::vector<engine::Bookmark> rows = marked();
    PrintRun run(services_, rows, subject);
    if (!confirmCount(confirmation, rows.size())) return;
    if (!mass) {
        run.beginPass();
        for (std::size_t i = 0; i < run.count() && !run.failed(); ++i) {
            if (run.position(i) && run.print(front, 1) && back && askForSecondPages())
                run.print(*back, 2);
            run.employeeDone();
        }
    } else {
        run.beginPass();
        for (std::size_t i = 0; i < run.count() && !run.failed(); ++i) {
            if (run.position(i)) run.print(front, 1);
            run.employeeDone();
        }
        run.endPass();
        if (!run.failed() && back && askForSecondPages()) {
            // The same order as the fronts, so that the turned-over stack matches sheet for sheet.
            run.beginPass(QStringLiteral(" – strony drugie"));
            for (std::size_t i = 0; i < run.count() && !run.failed(); ++i) {
                if (run.position(i)) run.print(*back, 2);
                run.employeeDone();
            }
        }
    }
    run.finish();
    lastLeftOut_ = run.leftOut();
}

void PrintCommands::WydrukKp11Click() {
    Tdruk3& front = tdruk3();
    Tdruk4& back = tdruk4();
    printSheets(QStringLiteral("Kp-1"),
                QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Kp-1 w ilości "), front,
                &back, massPrinting());
}

void PrintCommands::WydrukRp61Click() {
    Tdruk5& front = tdruk5();
    Tdruk8& back = tdruk8();
    // The information page only with the information; it carries no employee's data, so in
    // mass mode it prints once per marked employee.
    const bool mass = massPrinting();
    printSheets(QStringLiteral("Rp-6"),
                QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-6 w ilości "), front,
                formData_->informationPages() ? &back : nullptr, mass);
}

void PrintCommands::Wydrukzacznika1Click() {
    printSheets(QStringLiteral("załącznika"),
                QStringLiteral("Wydruk wszystkich oznaczonych dokumentów w ilości "), tdruk6(),
                nullptr, false);
}

void PrintCommands::Wydrukzawiadczenia1Click() {
    printSheets(QStringLiteral("zaświadczenia"),
                QStringLiteral("Wydruk wszystkich oznaczonych dokumentów w ilości "), tdruk7(),
                nullptr, false);
}

QString PrintCommands::employeeName() {
    engine::Table& employees = services_.dane->TRP7;
    const int name = employees.isOpen() ? employees.fieldIndex("POLE1") : -1;
    return name < 0 ? QString() : data::fieldText(employees, name).trimmed();
}

QString PrintCommands::payerName() {
    engine::Table& payers = services_.dane->TZlec;
    const int name = payers.isOpen() ? payers.fieldIndex("POCZTA") : -1;
    return name < 0 || payers.isEmpty() ? QString() : data::fieldText(payers, name).trimmed();
}

DocumentLabel PrintCommands::employeeLabel(const ReportForm& form) {
    return employeeDocumentLabel(form, employeeName(), payerName());
}

void PrintCommands::previewForm(ReportForm& form) {
    if (services_.preview && saveEdits()) services_.preview(form, employeeLabel(form));
}

void PrintCommands::WydrukRP71Click() {
    tdruk1();
    tdruk2();
    lastLeftOut_.clear();
    if (!saveEdits()) return;
    const std::vector<engine::Bookmark> rows = marked();
    PrintRun run(services_, rows, QStringLiteral("Rp-7"));
    if (!confirmCount(QStringLiteral("Wydruk wszystkich oznaczonych dokumentów Rp-7 w ilości "),
                      rows.size()))
        return;
    const bool mass = massPrinting();

    // Where the chunks of employee `i` start, read anew for each one as the parameters may say
    // otherwise by now; an employee with more rows than three chunks hold is named once. An
    // employee whose earnings cannot be read gets no Rp-7: one without them would understate
    // what the card holds.
    auto chunks = [&](std::size_t i, bool warn) -> std::vector<int> {
        if (!services_.dane->Tzar.isOpen()) {
            run.leaveOut(i, QStringLiteral("nie można odczytać zarobków: tabela zarobków nie "
                                           "jest otwarta"));
            return {};
        }
        const int size = earningsChunkSize(formData_->informationPages());
        try {
            drukuj(0);
        } catch (const std::exception& e) {
            run.stop(QStringLiteral("Nie można odczytać zarobków pracownika %1: %2")
                         .arg(run.name(i), QString::fromUtf8(e.what())));
            return {};
        }
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
    auto load = [&](std::size_t i, int offset) {
        try {
            drukuj(offset);
            return true;
        } catch (const std::exception& e) {
            return run.stop(QStringLiteral("Nie można odczytać zarobków pracownika %1: %2")
                                .arg(run.name(i), QString::fromUtf8(e.what())));
        }
    };

    run.beginPass();
    for (std::size_t i = 0; i < run.count() && !run.failed(); ++i) {
        if (run.position(i))
            for (int offset : chunks(i, true)) {
                if (!load(i, offset) || !run.print(*tdruk1_, 1)) break;
                if (!mass && askForSecondPages() && !run.print(*tdruk2_, 2)) break;
            }
        run.employeeDone();
    }
    run.endPass();
    if (mass && !run.failed() && askForSecondPages()) {
        // The same order as the first pages, so that the turned-over stack matches sheet for
        // sheet.
        run.beginPass(QStringLiteral(" – strony drugie"));
        for (std::size_t i = 0; i < run.count() && !run.failed(); ++i) {
            if (run.position(i))
                for (int offset : chunks(i, false))
                    if (!load(i, offset) || !run.print(*tdruk2_, 2)) break;
            run.employeeDone();
        }
    }
    run.finish();
    lastLeftOut_ = run.leftOut();
}

bool PrintCommands::loadForPreview() {
    if (!services_.dane->Tzar.isOpen()) {
        services_.prompter->error(
            QStringLiteral("Nie można odczytać zarobków pracownika %1: tabela zarobków nie jest "
                           "otwarta. Podgląd Rp-7 bez zarobków nie zostanie pokazany.")
                .arg(employeeName()));
        return false;
    }
    try {
        drukuj(0);
        return true;
    } catch (const std::exception& e) {
        services_.prompter->error(QStringLiteral("Nie można odczytać zarobków pracownika %1: %2")
                                      .arg(employeeName(), QString::fromUtf8(e.what())));
        return false;
    }
}

void PrintCommands::Podgldwydrukustr11Click() {
    if (saveEdits() && loadForPreview()) previewForm(tdruk1());
}

void PrintCommands::Podgldwydrukustr21Click() {
    if (saveEdits() && loadForPreview()) previewForm(tdruk2());
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
    // The list reads the cards through the view: what is typed must be in the table.
    if (!saveEdits()) return;
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
        if (services_.preview) services_.preview(list, listDocumentLabel(*heading, payerName()));
    } catch (const std::exception& e) {
        services_.prompter->error(QString::fromUtf8(e.what()));
    }
}

void PrintCommands::Parametrywydruku1Click() {
    if (services_.openParameters) services_.openParameters();
}

}  // namespace lumiro::printouts
