#include "printouts/pdf_export.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <exception>
#include <stdexcept>

#include "data/data_module.h"
#include "data/table_text.h"
#include "engine/value.h"
#include "platform/prompter.h"
#include "printouts/attachment_form.h"
#include "printouts/certificate_form.h"
#include "printouts/document_label.h"
#include "printouts/insured_list_form.h"
#include "printouts/kp1_forms.h"
#include "printouts/print_commands.h"
#include "printouts/report_form.h"
#include "printouts/rp6_forms.h"
#include "printouts/rp7_forms.h"
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
               const std::function<void(const QString&)>& note, std::vector<QString>* written) {
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

    QString folder;
    if (request.each) {
        if (request.document == u"wykaz") {
            error = QStringLiteral(
                "Wykaz ubezpieczonych jest jednym dokumentem dla wszystkich "
                "pracowników i nie dzieli się na ich pliki.");
            return false;
        }
        folder = request.file;
        if (!QFileInfo(folder).isDir()) {
            error =
                QStringLiteral("Folder „%1” nie istnieje.").arg(QDir::toNativeSeparators(folder));
            return false;
        }
    }

    AnsweringPrompter prompter(note);
    reports::RecordingTarget recording;
    std::vector<engine::Bookmark> chosen = marks;
    PrintServices services;
    services.dane = &dane;
    services.prompter = &prompter;
    services.target = &recording;
    services.markedRows = [&chosen] { return chosen; };
    services.singleMode = true;
    // The list is previewed, not printed, by its command: here its pages go to the file.
    services.preview = [&recording](ReportForm& form, const DocumentLabel&) {
        const reports::PrintStatus status = recording.print(form.generate(), form.documentName());
        if (!status) throw std::runtime_error(status.message().toStdString());
    };
    const ListHeading heading{request.listNumber.value_or(QString()),
                              request.listYear.value_or(dane.values().RokRoboczy),
                              request.listDate.value_or(dane.values().DataDzis)};
    services.askListHeading = [&heading](int) { return heading; };
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
    struct Run {
        const char16_t* name;
        void (PrintCommands::*command)();
        ReportForm& (*form)(PrintCommands&);
    };
    const Run runs[] = {
        {u"rp7", &PrintCommands::WydrukRP71Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk1(); }},
        {u"kp1", &PrintCommands::WydrukKp11Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk3(); }},
        {u"rp6", &PrintCommands::WydrukRp61Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk5(); }},
        {u"zalacznik", &PrintCommands::Wydrukzacznika1Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk6(); }},
        {u"zaswiadczenie", &PrintCommands::Wydrukzawiadczenia1Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk7(); }},
        {u"wykaz", &PrintCommands::Wydrukwykazuubezpieczonych1Click,
         [](PrintCommands& c) -> ReportForm& { return c.tdruk9(); }},
    };
    const Run* run = nullptr;
    for (const Run& r : runs)
        if (request.document == QString::fromUtf16(r.name)) run = &r;
    if (!run) {
        error = QStringLiteral("Nieznany dokument: %1.").arg(request.document);
        return false;
    }
    ReportForm& front = run->form(commands);

    // The chosen employees' pages into the recording; false with `error` when they are not
    // all there.
    auto record = [&]() {
        recording.clear();
        prompter.error.clear();
        (commands.*(run->command))();
        if (!prompter.error.isEmpty()) {
            error = oneSentence(prompter.error);
            return false;
        }
        if (!commands.lastRunLeftOut().isEmpty()) {
            error = oneSentence(QStringLiteral("Nie wydrukowano: %1.")
                                    .arg(commands.lastRunLeftOut().join(QStringLiteral("; "))));
            return false;
        }
        if (recording.allPages().empty()) {
            error = QStringLiteral("Dokument nie ma żadnej strony.");
            return false;
        }
        return true;
    };
    auto write = [&](const QString& path, const DocumentLabel& label) {
        const reports::PrintStatus status =
            reports::writePdf(recording.allPages(), path, label.title, label.author);
        if (!status) {
            error = oneSentence(status.message());
            return false;
        }
        if (written) written->push_back(path);
        return true;
    };

    try {
        if (!request.each) {
            if (!record()) return false;
            DocumentLabel label;
            if (request.document == u"wykaz") {
                label = listDocumentLabel(heading, commands.payerName());
            } else {
                label = commands.employeeLabel(front);  // the last employee printed
                if (marks.size() > 1) label.title = employeesTitle(front, int(marks.size()));
            }
            return write(request.file, label);
        }

        // Every file's name first: none may replace a file already in the folder.
        std::vector<DocumentLabel> labels;
        QStringList taken;
        QSet<QString> names;
        for (const engine::Bookmark& mark : marks) {
            if (!employees.gotoBookmark(mark)) {
                error = QStringLiteral("Karty pracownika nie ma już w tabeli pracowników.");
                return false;
            }
            auto text = [&](const char* column) {
                const int f = employees.fieldIndex(column);
                return f < 0 ? QString() : data::fieldText(employees, f).trimmed();
            };
            const QString pesel = text("KP11").isEmpty() ? text("POLE3") : text("KP11");
            DocumentLabel label =
                employeeFileLabel(front, text("POLE1"), pesel, commands.payerName());
            if (names.contains(label.fileName.toLower())) {
                // Two cards of one name and PESEL: their numbers tell the files apart.
                label.fileName.chop(4);
                label.fileName += QStringLiteral(" nr %1.pdf").arg(text("NR"));
            }
            names.insert(label.fileName.toLower());
            if (QFileInfo::exists(QDir(folder).filePath(label.fileName)))
                taken.append(QStringLiteral("„%1”").arg(label.fileName));
            labels.push_back(label);
        }
        if (!taken.isEmpty()) {
            error = (taken.size() == 1
                         ? QStringLiteral("Plik %1 jest już w folderze „%2”; program go nie "
                                          "zastępuje.")
                         : QStringLiteral("Pliki %1 są już w folderze „%2”; program ich nie "
                                          "zastępuje."))
                        .arg(taken.join(QStringLiteral(", ")), QDir::toNativeSeparators(folder));
            return false;
        }
        for (std::size_t i = 0; i < marks.size(); ++i) {
            chosen = {marks[i]};
            if (!record()) return false;
            const QString path = QDir(folder).filePath(labels[i].fileName);
            if (QFileInfo::exists(path)) {
                error = QStringLiteral(
                            "Plik „%1” pojawił się w folderze w czasie zapisu; nie "
                            "został zastąpiony.")
                            .arg(QDir::toNativeSeparators(path));
                return false;
            }
            if (!write(path, labels[i])) return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = oneSentence(QString::fromUtf8(e.what()));
        return false;
    }
}

}  // namespace lumiro::printouts
