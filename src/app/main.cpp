// The program: the platform's on-screen services, start-up, and the employee index window
// wired to the windows and commands it opens elsewhere in the program. With --pdf it makes a
// document's PDF file instead, without showing any window.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "app/about_window.h"
#include "app/command_line.h"
#include "app/desktop_identity.h"
#include "app/information_window.h"
#include "app/local_documents.h"
#include "app/progress_window.h"
#include "app/startup.h"
#include "app/text_report_commands.h"
#include "app/transfer_commands.h"
#include "app/working_folder.h"
#include "components/data_grid.h"
#include "platform/gui/desktop_shell_opener.h"
#include "platform/gui/qt_font_chooser.h"
#include "maintenance/maintenance_commands.h"
#include "platform/gui/qt_prompter.h"
#include "printouts/list_parameters_window.h"
#include "printouts/pdf_export.h"
#include "printouts/preview_window.h"
#include "printouts/print_commands.h"
#include "printouts/print_parameters_window.h"
#include "printouts/report_form.h"
#include "records/employee_index_window.h"

namespace {

using lumiro::app::Startup;
namespace printouts = lumiro::printouts;

// What the index window's print commands keep for as long as the window lives.
class WindowPrintouts : public QObject {
  public:
    using QObject::QObject;
    printouts::CurrentPrinterTarget printer;
    std::unique_ptr<printouts::PrintCommands> commands;
    printouts::TKAdF6* parameters = nullptr;
    printouts::TKADF7* listDialog = nullptr;
};

void addPrintCommands(lumiro::records::TKadF& window, lumiro::data::Tdane& dane, Startup& startup,
                      lumiro::records::EmployeeIndexServices& services) {
    auto* kept = new WindowPrintouts(&window);
    lumiro::platform::Prompter& prompter = startup.services().prompter;
    printouts::PrintServices print;
    print.dane = &dane;
    print.prompter = &prompter;
    print.target = &kept->printer;
    print.markedRows = [&window] { return window.XDBGrid1().markedRows(); };
    print.markCurrentRow = [&window] { window.XDBGrid1().markCurrentRow(); };
    print.preview = [&window, kept, &prompter](printouts::ReportForm& form,
                                               const printouts::DocumentLabel& label) {
        printouts::PreviewWindow preview(
            [&form] { return form.generate(); }, kept->printer, prompter,
            {form.documentName(), label.fileName, label.title, label.author}, &window);
        preview.run();
    };
    print.progressStart = [&startup](const QString& title, int maximum) {
        if (auto* progress = startup.progressWindow()) progress->Start(title, maximum);
    };
    print.progressStep = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Postep();
    };
    print.progressStop = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Stop();
    };
    print.openParameters = [&window, &dane, kept] {
        if (!kept->parameters) kept->parameters = new printouts::TKAdF6(dane, &window);
        kept->parameters->openModal();
    };
    print.askListHeading = [&window, &dane, kept](int listed) {
        if (!kept->listDialog) kept->listDialog = new printouts::TKADF7(dane.values(), &window);
        return kept->listDialog->ask(listed);
    };
    kept->commands = std::make_unique<printouts::PrintCommands>(print);
    for (auto& [path, command] : kept->commands->menuCommands())
        services.menuCommands[path] = command;
}

// The information and About windows are made on first use and kept as its children.
std::unique_ptr<QWidget> createEmployeeIndex(Startup& startup) {
    lumiro::data::Tdane* module = startup.dataModule();
    if (!module) return nullptr;
    lumiro::records::EmployeeIndexServices services;
    services.applicationTitle = startup.applicationTitle();
    auto window = std::make_unique<lumiro::records::TKadF>(*module, services);
    lumiro::records::TKadF* owner = window.get();
    services.openNote = [owner](lumiro::data::InformationNote note) {
        auto* information = owner->findChild<lumiro::app::TKadF1*>();
        if (!information) information = new lumiro::app::TKadF1(owner);
        information->openNote(note);
    };
    services.openAbout = [owner, &startup] {
        auto* about = owner->findChild<lumiro::app::TKadF3*>();
        if (!about) about = new lumiro::app::TKadF3(startup.services().shell, owner);
        about->openModal();
    };
    services.openHelp = [&startup](int context) {
        lumiro::app::openHelp(startup.services().shell, startup.services().prompter, context);
    };
    services.progressStart = [&startup](const QString& title, int maximum) {
        if (auto* progress = startup.progressWindow()) progress->Start(title, maximum);
    };
    services.progressStep = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Postep();
    };
    services.progressStop = [&startup] {
        if (auto* progress = startup.progressWindow()) progress->Stop();
    };
    addPrintCommands(*owner, *module, startup, services);
    lumiro::maintenance::addMaintenanceCommands(*owner, *module, services);
    lumiro::app::addTextReportCommands(*owner, startup, services);
    lumiro::app::addTransferCommands(*owner, *module, services);
    owner->setServices(std::move(services));
    return window;
}

// --- lumiro --pdf ------------------------------------------------------------------------

void sayOnStderr(const QString& text) {
    QString line = text;
    line.replace(u'\n', u' ');
    std::fprintf(stderr, "%s\n", line.simplified().toLocal8Bit().constData());
}

// Message boxes of a start without a screen: information goes to stderr, anything that
// would stop and ask the user ends the run.
class HeadlessPrompter : public lumiro::platform::Prompter {
  public:
    lumiro::platform::MessageResult ask(lumiro::platform::MessageIcon icon, const QString& text,
                                        lumiro::platform::MessageButtons buttons) override {
        if (icon == lumiro::platform::MessageIcon::Information &&
            buttons == lumiro::platform::MessageButtons::Ok) {
            sayOnStderr(text);
            return lumiro::platform::MessageResult::Ok;
        }
        if (stop.isEmpty()) stop = text;
        return buttons == lumiro::platform::MessageButtons::YesNo
                   ? lumiro::platform::MessageResult::No
                   : lumiro::platform::MessageResult::Ok;
    }
    QString stop;
};

struct PdfCommandLine {
    printouts::PdfRequest request;
    QStringList dataArguments;  // "rok" and the year, for the data module
};

// Exit status 2 for a command line that cannot be understood.
std::optional<PdfCommandLine> parsePdfCommandLine(const QStringList& args, QString& error) {
    PdfCommandLine line;
    const qsizetype at = args.indexOf(QStringLiteral("--pdf"));
    if (at + 2 >= args.size()) {
        error = QStringLiteral(
            "Użycie: lumiro --pdf DOKUMENT PLIK.pdf|FOLDER [--each] [--payer N] "
            "[--employee M]... [--list-number TEKST] [--list-year TEKST] [--list-date TEKST] "
            "[rok RRRR].");
        return std::nullopt;
    }
    line.request.document = args[at + 1].toLower();
    line.request.file = args[at + 2];
    const auto documents = printouts::pdfDocuments();
    if (std::find(documents.begin(), documents.end(), line.request.document) == documents.end()) {
        QStringList names(documents.begin(), documents.end());
        error = QStringLiteral("Nieznany dokument „%1”; dostępne: %2.")
                    .arg(args[at + 1], names.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    auto number = [&](qsizetype i, const QString& option) -> std::optional<qint64> {
        bool ok = false;
        const qint64 value = i < args.size() ? args[i].toLongLong(&ok) : 0;
        if (!ok || value <= 0) {
            error = QStringLiteral("Po %1 należy podać numer.").arg(option);
            return std::nullopt;
        }
        return value;
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i >= at && i <= at + 2) continue;
        const QString& a = args[i];
        if (a == u"--payer") {
            auto n = number(++i, a);
            if (!n) return std::nullopt;
            line.request.payer = *n;
        } else if (a == u"--employee") {
            auto n = number(++i, a);
            if (!n) return std::nullopt;
            line.request.employees.push_back(*n);
        } else if ((a == u"--list-number" || a == u"--list-year" || a == u"--list-date") &&
                   i + 1 < args.size()) {
            const QString value = args[++i];
            if (a == u"--list-number")
                line.request.listNumber = value;
            else if (a == u"--list-year")
                line.request.listYear = value;
            else
                line.request.listDate = value;
        } else if (a == u"--each") {
            line.request.each = true;
        } else if (a.toLower() == u"rok" && i + 1 < args.size()) {
            line.dataArguments = {a, args[++i]};
        } else {
            error = QStringLiteral("Nieznany argument „%1”.").arg(a);
            return std::nullopt;
        }
    }
    if (line.request.each && line.request.document == u"wykaz") {
        error = QStringLiteral(
            "Wykaz ubezpieczonych jest jednym dokumentem; --each dotyczy "
            "dokumentów pracowników.");
        return std::nullopt;
    }
    return line;
}

int runPdf(QApplication& application, const lumiro::app::CommandLine& command) {
    QString error;
    // Qt has taken its own options out of these arguments; the working folder's go here.
    const QStringList arguments = QApplication::arguments();
    auto line = parsePdfCommandLine(
        QStringList{arguments.value(0)} + lumiro::app::readCommandLine(arguments.mid(1)).rest,
        error);
    if (!line) {
        sayOnStderr(error);
        return 2;
    }
    // The file is named from where the command was given, not from the working folder.
    line->request.file = QFileInfo(line->request.file).absoluteFilePath();
    if (const QString stop = lumiro::app::enterWorkingFolder(command.home); !stop.isEmpty()) {
        sayOnStderr(stop);
        return 1;
    }
    lumiro::app::installPolishQtTexts(application);
    HeadlessPrompter prompter;
    lumiro::platform::ScriptedFontChooser noFonts(std::nullopt);
    lumiro::platform::RecordingShellOpener shell(false);
    Startup startup({prompter, lumiro::platform::Clock::system(), shell}, [&](Startup& s) {
        return lumiro::app::openProgramData(s, noFonts, line->dataArguments);
    });
    startup.computeDateContext();
    startup.createDataModule();
    startup.setApplicationIdentity();
    if (!prompter.stop.isEmpty() || startup.values().Przerwij || !startup.dataModule()) {
        sayOnStderr(prompter.stop.isEmpty()
                        ? QStringLiteral("Nie udało się otworzyć danych programu.")
                        : prompter.stop);
        return 1;
    }
    std::vector<QString> written;
    const bool ok =
        printouts::exportPdf(*startup.dataModule(), line->request, error, sayOnStderr, &written);
    // With --each, the files written, one path a line.
    if (line->request.each)
        for (const QString& file : written)
            std::fprintf(stdout, "%s\n", QDir::toNativeSeparators(file).toLocal8Bit().constData());
    if (!ok) {
        sayOnStderr(error);
        return 1;
    }
    return 0;
}

// Qt's own notes (a missing runtime folder and the like) are not for the user of a command
// that answers in one sentence; its fatal errors still end the program.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        sayOnStderr(message);
        std::abort();
    }
}

bool wantsPdf(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--pdf") return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
    const lumiro::app::CommandLine command = lumiro::app::readCommandLine(arguments);
    if (command.help || command.version) {
        const auto documents = printouts::pdfDocuments();
        const QString text = command.help ? lumiro::app::helpText(QStringList(
                                                documents.begin(), documents.end()))
                                          : lumiro::app::versionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (wantsPdf(argc, argv)) {
        // No screen is needed, nor used: chosen before the application object exists.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(quietQt);
        QApplication application(argc, argv);
        return runPdf(application, command);
    }
    QApplication application(argc, argv);
    lumiro::app::setDesktopIdentity();
    lumiro::app::installPolishQtTexts(application);
    lumiro::platform::QtPrompter prompter;
    if (const QString stop = lumiro::app::enterWorkingFolder(command.home); !stop.isEmpty()) {
        prompter.error(stop);
        return 1;
    }
    // Qt has taken its own options out of the arguments by now.
    const QStringList dataArguments =
        lumiro::app::readCommandLine(QApplication::arguments().mid(1)).rest;
    lumiro::platform::DesktopShellOpener shell;
    lumiro::platform::QtFontChooser fontChooser;
    Startup startup({prompter, lumiro::platform::Clock::system(), shell}, [&](Startup& s) {
        return lumiro::app::openProgramData(s, fontChooser, dataArguments);
    });
    startup.setWindowFactory(lumiro::app::LongLivedWindow::EmployeeIndex, createEmployeeIndex);
    lumiro::app::addTextReports(startup);
    return startup.run();
}
