// The print preview: a modal window showing a report's pages as they will print, painted by
// the same painter as the printer and PDF, with its own print and save-as-PDF commands.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

#include "reports/document.h"
#include "reports/print_target.h"

class QLabel;
class QScrollArea;
class QToolButton;

namespace lumiro::platform {
class Prompter;
}
namespace lumiro::printouts {

// The printer the program prints on: the current printer at the moment of each job
// (platform/current_printer.h), the system's default while none is chosen.
class CurrentPrinterTarget : public reports::PrintTarget {
  public:
    reports::PrintStatus print(const reports::Document& document, const QString& title) override;
};

class PageView;

class PreviewWindow : public QDialog {
    Q_OBJECT

  public:
    // Runs the report anew and returns its pages: when the window opens and again for each
    // "Drukuj", so that the report's hooks run for every printing. May throw
    // reports::ReportError (or another std::exception), which is reported to the user.
    using Generate = std::function<reports::Document()>;
    // Asks for the PDF file to write, offering `suggested` (a file name); empty for cancel.
    using ChooseFile = std::function<QString(QWidget* parent, const QString& suggested)>;

    struct Options {
        QString title;        // in the caption and as the print job's name, e.g. "Rp-7 str. 1"
        QString pdfFileName;  // offered for "Zapisz jako PDF", e.g. "Rp-7 Kowalski Jan.pdf"
        QString pdfTitle;   // the saved file's title, e.g. "ZUS Rp-7 – Kowalski Jan"; else title
        QString pdfAuthor;  // the saved file's author: the payer
    };

    enum class ZoomMode { FitPage, FitWidth, Fixed };

    // `printer` and `prompter` must outlive the window.
    PreviewWindow(Generate generate, reports::PrintTarget& printer, platform::Prompter& prompter,
                  Options options, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    void setFileChooser(ChooseFile chooser) { chooseFile_ = std::move(chooser); }

    // Generates the pages and shows them until the window is closed. When the report cannot
    // run, that is reported and no window is shown.
    void run();
    // Generates the pages and shows the first one, without opening the window; false (and
    // reported) when the report cannot run.
    bool load();

    const reports::Document& document() const { return document_; }
    int pageCount() const { return int(document_.pages.size()); }
    int currentPage() const { return page_; }  // from 0
    QString pageCaption() const;               // "Strona 1 z 3"
    void showPage(int index);                  // clamped to the pages there are
    void firstPage() { showPage(0); }
    void previousPage() { showPage(page_ - 1); }
    void nextPage() { showPage(page_ + 1); }
    void lastPage() { showPage(pageCount() - 1); }

    ZoomMode zoomMode() const { return zoomMode_; }
    // 1.0 shows the page at its size on paper, as far as the screen's resolution tells.
    double zoom() const { return zoom_; }
    void setZoomMode(ZoomMode mode);
    void setZoomPercent(int percent);
    void zoomIn();
    void zoomOut();

    // Generates the report again and sends it to the printer; false when it failed (reported).
    bool print();
    // Writes the shown pages into the file the chooser names; false on cancel or failure
    // (reported).
    bool saveAsPdf();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    bool regenerate();
    void applyZoom();
    void updateControls();
    double screenDotsPerMm() const;

    Generate generate_;
    reports::PrintTarget& printer_;
    platform::Prompter& prompter_;
    Options options_;
    ChooseFile chooseFile_;
    reports::Document document_;
    int page_ = 0;
    ZoomMode zoomMode_ = ZoomMode::FitWidth;
    double zoom_ = 1.0;

    QScrollArea* scroll_ = nullptr;
    PageView* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QToolButton* first_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* last_ = nullptr;
    QToolButton* fitPage_ = nullptr;
    QToolButton* fitWidth_ = nullptr;
    QToolButton* actualSize_ = nullptr;
};

// The page on screen; public for the window's tests.
class PageView : public QWidget {
    Q_OBJECT

  public:
    explicit PageView(QWidget* parent = nullptr);
    void setPage(const reports::Page* page, double pixelsPerMm);
    const reports::Page* page() const { return page_; }
    QRect paperRect() const;         // where the paper is drawn, in the view's coordinates
    static constexpr int kGap = 12;  // grey border around the paper, in pixels

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const reports::Page* page_ = nullptr;
    double pixelsPerMm_ = 1;
    QImage rendered_;
    bool stale_ = true;
};

}  // namespace lumiro::printouts
