// The line engine with everything around it recorded: the messages, the progress window, a
// port and an export file in a temporary folder, a printer canvas that keeps what is drawn.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "platform/prompter.h"
#include "support/temp_dir.h"
#include "textreports/text_print_engine.h"

namespace lumiro::textreports::test {

// An expected file of tests/textreports/expected (the notation is in its README).
QByteArray expectedBytes(const char* name);
QByteArray readAll(const QString& path);

struct Drawn {
    int page;
    int x, y, points;
    QString text;
};

// Keeps every text drawn, page by page.
class RecordingCanvas : public PageCanvas {
  public:
    struct Log {
        std::vector<Drawn> texts;
        int pages = 0;
        bool begun = false;
        bool ended = false;
        QString title;
    };
    RecordingCanvas(Log& log, double dpi, int height) : log_(log), dpi_(dpi), height_(height) {}

    bool begin(const QString& title) override {
        log_ = Log{};
        log_.begun = true;
        log_.pages = 1;
        log_.title = title;
        return true;
    }
    double dotsPerInch() const override { return dpi_; }
    int pageHeight() const override { return height_; }
    bool newPage() override {
        ++log_.pages;
        return true;
    }
    void drawText(int x, int y, int points, const QString& text) override {
        log_.texts.push_back(Drawn{log_.pages, x, y, points, text});
    }
    bool end() override {
        log_.ended = true;
        return true;
    }
    QString failure() const override { return {}; }

  private:
    Log& log_;
    double dpi_;
    int height_;
};

class TextEngineTest : public ::testing::Test {
  protected:
    TextEngineTest();

    // Messages shown, in order.
    std::vector<QString> messages() const;
    QString portPath() const { return portPath_; }
    QString exportPath() const { return exportPath_; }

    lumiro::test::TempDir dir;
    platform::ScriptedPrompter prompter;
    int progressStarts = 0;
    int progressStops = 0;
    int progressSteps = 0;
    int windowShown = 0;
    // What the save dialog answers; nothing is a cancelled dialog.
    std::optional<QString> chosenFile;
    // A port that cannot be opened, with this reason.
    std::optional<QString> portFailure;
    RecordingCanvas::Log canvas;
    double canvasDpi = 300;
    int canvasHeight = 3000;
    std::unique_ptr<TextPrintEngine> engine;

  private:
    QString portPath_;
    QString exportPath_;
};

}  // namespace lumiro::textreports::test
