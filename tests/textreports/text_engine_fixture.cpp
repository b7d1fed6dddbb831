#include "text_engine_fixture.h"

namespace lumiro::textreports::test {

QByteArray expectedBytes(const char* name) {
    QFile file(QStringLiteral(LUMIRO_TEXTREPORTS_EXPECTED "/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no expected file " << name;
        return {};
    }
    const QByteArray notation = file.readAll();
    QByteArray bytes;
    for (qsizetype i = 0; i < notation.size(); ++i) {
        const char c = notation[i];
        if (c == '\n') {
            bytes += "\r\n";
        } else if (c == '{' && i + 3 < notation.size() && notation[i + 3] == '}') {
            bytes += char(notation.mid(i + 1, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            bytes += c;
        }
    }
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

TextEngineTest::TextEngineTest() {
    portPath_ = QString::fromStdString(dir.file("lpt.out"));
    exportPath_ = QString::fromStdString(dir.file("eksport.txt"));
    chosenFile = exportPath_;

    TextPrintEngine::Host host;
    host.prompter = &prompter;
    host.companyLabel = [] { return QStringLiteral("FIRMA"); };
    host.applicationTitle = QStringLiteral("Lumiro 7.0");
    host.today = [] { return QStringLiteral("2026.12.31"); };
    host.progressStart = [this](const QString&, int) { ++progressStarts; };
    host.progressStep = [this] { ++progressSteps; };
    host.progressStop = [this] { ++progressStops; };
    host.showWindow = [this] { ++windowShown; };
    host.chooseExportFile = [this] { return chosenFile; };
    host.openPrinter = [this]() -> std::unique_ptr<PageCanvas> {
        return std::make_unique<RecordingCanvas>(canvas, canvasDpi, canvasHeight);
    };
    host.openPort = [this](const QString& device) {
        if (portFailure) return PortOpening{nullptr, *portFailure};
        return openPortDevice(device);
    };
    engine = std::make_unique<TextPrintEngine>(std::move(host));
    for (QString& port : engine->settings().ports) port = portPath_;
}

std::vector<QString> TextEngineTest::messages() const {
    std::vector<QString> texts;
    for (const auto& q : prompter.questions()) texts.push_back(q.text);
    return texts;
}

}  // namespace lumiro::textreports::test
