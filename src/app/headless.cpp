#include "app/headless.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/pdf_command.h"
#include "app/transfer_command.h"
#include "app/working_folder.h"
#include "platform/clock.h"

namespace lumiro::app {
namespace {

void say(std::FILE* stream, const QString& text, bool oneLine) {
    QString out = text;
    if (oneLine) out = out.replace(u'\n', u' ').simplified();
    if (!out.endsWith(u'\n')) out += u'\n';
    std::fputs(out.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Qt's own notes (a missing runtime folder and the like) are not for the user of a command
// that answers in sentences of its own; its fatal errors still end the program.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        sayOnStderr(message, true);
        std::abort();
    }
}

}  // namespace

void sayOnStderr(const QString& text, bool oneLine) {
    say(stderr, text, oneLine);
}

void sayOnStdout(const QString& text) {
    say(stdout, text, false);
}

platform::MessageResult HeadlessPrompter::ask(platform::MessageIcon icon, const QString& text,
                                              platform::MessageButtons buttons) {
    if (icon == platform::MessageIcon::Information && buttons == platform::MessageButtons::Ok) {
        sayOnStderr(text);
        return platform::MessageResult::Ok;
    }
    if (stop.isEmpty()) stop = text;
    return buttons == platform::MessageButtons::YesNo ? platform::MessageResult::No
                                                      : platform::MessageResult::Ok;
}

HeadlessData::HeadlessData(bool home, const QStringList& dataArguments) {
    if (const QString stop = enterWorkingFolder(home); !stop.isEmpty()) {
        failure_ = stop;
        return;
    }
    installPolishQtTexts(*QCoreApplication::instance());
    startup_ = std::make_unique<Startup>(
        Startup::Services{prompter_, platform::Clock::system(), shell_},
        [this, dataArguments](Startup& s) { return openProgramData(s, noFonts_, dataArguments); });
    startup_->computeDateContext();
    startup_->createDataModule();
    startup_->setApplicationIdentity();
    if (!prompter_.stop.isEmpty() || startup_->values().Przerwij || !startup_->dataModule()) {
        failure_ = prompter_.stop.isEmpty()
                       ? QStringLiteral("Nie udało się otworzyć danych programu.")
                       : prompter_.stop;
        return;
    }
    ok_ = true;
}

HeadlessData::~HeadlessData() = default;

QStringList headlessArguments() {
    // Qt has taken its own options out of these arguments; the working folder's go here.
    const QStringList arguments = QApplication::arguments();
    return QStringList{arguments.value(0)} + readCommandLine(arguments.mid(1)).rest;
}

int runHeadless(int& argc, char** argv, const CommandLine& command) {
    // No screen is needed, nor used: chosen before the application object exists.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQt);
    QApplication application(argc, argv);
    switch (command.headless) {
        case HeadlessRun::Pdf:
            return runPdfCommand(command);
        case HeadlessRun::Export:
        case HeadlessRun::Import:
            return runTransferCommand(command);
        case HeadlessRun::None:
            break;
    }
    return 2;
}

}  // namespace lumiro::app
