#include "printouts/pdf_export.h"

#include <exception>
#include <stdexcept>

#include "data/data_module.h"
#include "engine/value.h"
#include "platform/prompter.h"
#include "printouts/print_commands.h"
#include "printouts/report_form.h"
#include "reports/print_target.h"

namespace lumiro::printouts {
namespace {

// Answers every question of a print command with Yes (the confirmation and each prompt to
// print the reverse side) and keeps what it was told.
class AnsweringPrompter : public platform::Prompter {
  public:
    explicit AnsweringPrompter(const std::function<void(const QString&)>& note) : note_(note) {}

    platform::MessageResult ask(platform::MessageIcon icon, const QString& text,
                                platform::MessageButtons buttons) override {
        if (buttons == platform::MessageButtons::YesNo) return platform::MessageResult::Yes;
        if (icon == platform::MessageIcon::Error) {
            if (error.isEmpty()) error = text;
        } else if (note_) {
            note_(text);
        }
        return platform::MessageResult::Ok;
    }

    QString error;

  private:
    const std::function<void(const QString&)>& note_;
};

QString oneSentence(QString text) {
    text.replace(u'\n', u' ');
    return text.simplified();
}

}  // namespace

std::vector<QString> pdfDocuments() {
    return {QStringLiteral("rp7"),       QStringLiteral("kp1"),           QStringLiteral("rp6"),
            QStringLiteral("zalacznik"), QStringLiteral("zaswiadczenie"), QStringLiteral("wykaz")};
}

bool exportPdf(data::Tdane& dane, const PdfRequest& request, QString& error,
               const std::function<void(const QString&)>& note) {
    engine::Table& payers = dane.TZlec;
    engine::Table& employees = dane.TRP7;
    if (!payers.isOpen() || !employees.isOpen()) {
        error = QStringLiteral("Tabele płatników i pracowników nie są otwarte.");
        return false;
    }
    std::vector<engine::Bookmark> marks;
    try {
        payers.setIndexName("");
        if (request.payer) {
            if (!payers.findKey({engine::Value{*request.payer}})) {
                error = QStringLiteral("Nie ma płatnika o numerze %1.").arg(*request.payer);
                return false;
            }
        } else {
            payers.first();
            if (payers.eof()) {
                error = QStringLiteral("Nie ma żadnego płatnika składek.");
                return false;
            }
        }
        const std::int64_t payer = payers.asInteger(payers.field("NR"));
        // The grid's first order: by employee number.
        employees.setIndexName("");
        if (request.employees.empty()) {
            for (employees.first(); !employees.eof(); employees.next())
                marks.push_back(employees.bookmark());
        }
        for (std::int64_t nr : request.employees) {
            if (!employees.findKey({engine::Value{payer}, engine::Value{nr}})) {
                error =
                    QStringLiteral("Płatnik %1 nie ma pracownika o numerze %2.").arg(payer).arg(nr);
                return false;
            }
            marks.push_back(employees.bookmark());
        }
        if (marks.empty()) {
            error = QStringLiteral("Płatnik %1 nie ma żadnego pracownika.").arg(payer);
            return false;
        }
    } catch (const std::exception& e) {
        error = oneSentence(QString::fromUtf8(e.what()));
        return false;
    }

    AnsweringPrompter prompter(note);
    reports::RecordingTarget recording;
    PrintServices services;
    services.dane = &dane;
    services.prompter = &prompter;
    services.target = &recording;
    services.markedRows = [&marks] { return marks; };
    services.singleMode = true;
    // The list is previewed, not printed, by its command: here its pages go to the file.
    services.preview = [&recording](ReportForm& form, const QString&) {
        const reports::PrintStatus status = recording.print(form.generate(), form.documentName());
        if (!status) throw std::runtime_error(status.message().toStdString());
    };
    services.askListHeading = [&dane, &request](int) {
        return ListHeading{request.listNumber.value_or(QString()),
                           request.listYear.value_or(dane.values().RokRoboczy),
                           request.listDate.value_or(dane.values().DataDzis)};
    };
    // The list's view lets the chosen employees through only while an index window exists;
    // this run stands for it.
    struct StandIn {
        data::Tdane& dane;
        explicit StandIn(data::Tdane& d) : dane(d) {
            dane.setEmployeeIndexWindowExists([] { return true; });
        }
        ~StandIn() { dane.setEmployeeIndexWindowExists({}); }
    } standIn(dane);
    PrintCommands commands(services);
    const std::pair<const char16_t*, void (PrintCommands::*)()> runs[] = {
        {u"rp7", &PrintCommands::WydrukRP71Click},
        {u"kp1", &PrintCommands::WydrukKp11Click},
        {u"rp6", &PrintCommands::WydrukRp61Click},
        {u"zalacznik", &PrintCommands::Wydrukzacznika1Click},
        {u"zaswiadczenie", &PrintCommands::Wydrukzawiadczenia1Click},
        {u"wykaz", &PrintCommands::Wydrukwykazuubezpieczonych1Click},
    };
    bool known = false;
    for (const auto& [name, run] : runs) {
        if (request.document != QString::fromUtf16(name)) continue;
        known = true;
        (commands.*run)();
    }
    if (!known) {
        error = QStringLiteral("Nieznany dokument: %1.").arg(request.document);
        return false;
    }
    if (recording.allPages().empty() && prompter.error.isEmpty()) {
        error = QStringLiteral("Dokument nie ma żadnej strony.");
        return false;
    }
    if (!prompter.error.isEmpty()) {
        error = oneSentence(prompter.error);
        return false;
    }
    const reports::PrintStatus status =
        reports::writePdf(recording.allPages(), request.file, request.document);
    if (!status) {
        error = oneSentence(status.message());
        return false;
    }
    return true;
}

}  // namespace lumiro::printouts
