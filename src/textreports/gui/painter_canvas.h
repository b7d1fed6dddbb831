// The system printer's side of the line engine: text drawn with QPainter on a paged device.
// The same painting serves the printer and PDF files, so that what a PDF shows is what the
// printer gets.
#pragma once

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QString>

#include <memory>
#include <optional>

#include "textreports/page_canvas.h"

class QPdfWriter;

namespace lumiro::textreports {

class PainterCanvas : public PageCanvas {
  public:
    double dotsPerInch() const override;
    int pageHeight() const override;
    bool newPage() override;
    void drawText(int x, int y, int points, const QString& text) override;
    QString failure() const override { return failure_; }

  protected:
    bool beginPainting(QPagedPaintDevice& device);
    // Subclasses end the painting before their device goes.
    bool endPainting();
    bool painting() const { return painter_.isActive(); }

    QString failure_;

  private:
    QPagedPaintDevice* device_ = nullptr;
    QPainter painter_;
};

// The printer of that name, or the system's default for an empty name. On CUPS the job is
// checked once handed over, as for the forms: a refused, stopped or held job is a failure.
class PrinterCanvas : public PainterCanvas {
  public:
    explicit PrinterCanvas(QString printerName, std::optional<QPageLayout> layout = {});
    ~PrinterCanvas() override;
    bool begin(const QString& title) override;
    bool end() override;

  private:
    QString name_;
    std::optional<QPageLayout> layout_;
    std::unique_ptr<QPrinter> printer_;
    std::optional<int> jobBefore_;
};

// A PDF file at `dotsPerInch`, A4 with margins of 10 mm unless told otherwise.
class PdfCanvas : public PainterCanvas {
  public:
    explicit PdfCanvas(QString path, int dotsPerInch = 300, std::optional<QPageLayout> layout = {});
    ~PdfCanvas() override;
    bool begin(const QString& title) override;
    bool end() override;

  private:
    QString path_;
    int dotsPerInch_;
    std::optional<QPageLayout> layout_;
    std::unique_ptr<QPdfWriter> writer_;
};

}  // namespace lumiro::textreports
