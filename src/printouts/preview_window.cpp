#include "printouts/preview_window.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

#include "platform/current_printer.h"
#include "platform/prompter.h"
#include "printouts/document_label.h"
#include "reports/page_painter.h"
#include "reports/print_target.h"
#include "reports/text_measure.h"

namespace lumiro::printouts {

namespace {

constexpr std::array<int, 10> kZoomSteps = {25, 50, 75, 100, 125, 150, 200, 250, 300, 400};

QString askForPdf(QWidget* parent, const QString& suggested) {
    // The folder chosen last is offered again while the program runs.
    static QString folder = QDir::homePath();
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Zapisz jako PDF"),
                                                      QDir(folder).filePath(suggested),
                                                      QStringLiteral("Dokument PDF (*.pdf)"));
    if (!path.isEmpty()) folder = QFileInfo(path).absolutePath();
    return path;
}

QToolButton* button(QWidget* parent, const QString& caption, const QString& tip, const char* name) {
    auto* b = new QToolButton(parent);
    b->setText(caption);
    b->setToolTip(tip);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

reports::PrintStatus CurrentPrinterTarget::print(const reports::Document& document,
                                                 const QString& title) {
    return reports::PrinterTarget(platform::currentPrinter()).print(document, title);
}

PageView::PageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setPage(const reports::Page* page, double pixelsPerMm) {
    page_ = page;
    pixelsPerMm_ = pixelsPerMm;
    stale_ = true;
    const QSize paper = page ? QSize(int(std::lround(page->width * pixelsPerMm)),
                                     int(std::lround(page->height * pixelsPerMm)))
                             : QSize(0, 0);
    setFixedSize(paper + QSize(2 * kGap, 2 * kGap));
    update();
}

QRect PageView::paperRect() const {
    return rect().adjusted(kGap, kGap, -kGap, -kGap);
}

void PageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (!page_) return;
    const QRect paper = paperRect();
    if (stale_ || rendered_.isNull()) {
        const double ratio = devicePixelRatioF();
        QImage image(paper.size() * ratio, QImage::Format_RGB32);
        image.fill(Qt::white);
        // Fonts are taken at the layout's reference resolution and the whole page scaled
        // down, so that the screen shows the very glyph positions the paper gets.
        const int dotsPerMeter = int(std::lround(reports::kReferenceDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        {
            QPainter onImage(&image);
            const double scale = pixelsPerMm_ * ratio / reports::kReferenceDotsPerMm;
            onImage.scale(scale, scale);
            reports::paintPage(onImage, *page_, reports::kReferenceDotsPerMm);
        }
        image.setDevicePixelRatio(ratio);
        rendered_ = image;
        stale_ = false;
    }
    painter.drawImage(paper.topLeft(), rendered_);
    painter.setPen(Qt::black);
    painter.drawRect(paper.adjusted(-1, -1, 0, 0));
}

PreviewWindow::PreviewWindow(Generate generate, reports::PrintTarget& printer,
                             platform::Prompter& prompter, Options options, QWidget* parent)
    : QDialog(parent),
      generate_(std::move(generate)),
      printer_(printer),
      prompter_(prompter),
      options_(std::move(options)),
      chooseFile_(askForPdf) {
    setWindowTitle(options_.title.isEmpty()
                       ? QStringLiteral("Podgląd wydruku")
                       : QStringLiteral("Podgląd wydruku – %1").arg(options_.title));
    setModal(true);
    setSizeGripEnabled(true);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 4);
    bar->setSpacing(2);
    fitPage_ = button(this, QStringLiteral("Cała strona"), QStringLiteral("Cała strona w oknie"),
                      "calaStrona");
    fitWidth_ = button(this, QStringLiteral("Szerokość strony"),
                       QStringLiteral("Strona na szerokość okna"), "szerokoscStrony");
    actualSize_ = button(this, QStringLiteral("100 %"), QStringLiteral("Rozmiar rzeczywisty"),
                         "rozmiarRzeczywisty");
    auto* zoomOutButton =
        button(this, QStringLiteral("Pomniejsz"), QStringLiteral("Pomniejsz (-)"), "pomniejsz");
    auto* zoomInButton =
        button(this, QStringLiteral("Powiększ"), QStringLiteral("Powiększ (+)"), "powieksz");
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setObjectName(QStringLiteral("skala"));
    zoomLabel_->setMinimumWidth(
        zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("400 %")) + 8);
    first_ = button(this, QStringLiteral("Pierwsza"), QStringLiteral("Pierwsza strona (Home)"),
                    "pierwsza");
    previous_ = button(this, QStringLiteral("Poprzednia"),
                       QStringLiteral("Poprzednia strona (PgUp)"), "poprzednia");
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("strona"));
    pageLabel_->setAlignment(Qt::AlignCenter);
    next_ = button(this, QStringLiteral("Następna"), QStringLiteral("Następna strona (PgDn)"),
                   "nastepna");
    last_ = button(this, QStringLiteral("Ostatnia"), QStringLiteral("Ostatnia strona (End)"),
                   "ostatnia");
    auto* printButton = button(this, QStringLiteral("Drukuj"),
                               QStringLiteral("Drukuj na bieżącej drukarce"), "drukuj");
    auto* saveButton = button(this, QStringLiteral("Zapisz jako PDF"),
                              QStringLiteral("Zapisz wydruk w pliku PDF"), "zapiszPdf");
    auto* closeButton =
        button(this, QStringLiteral("Zamknij"), QStringLiteral("Zamknij podgląd (Esc)"), "zamknij");

    for (QWidget* w : std::initializer_list<QWidget*>{fitPage_, fitWidth_, actualSize_,
                                                      zoomOutButton, zoomLabel_, zoomInButton})
        bar->addWidget(w);
    bar->addSpacing(16);
    for (QWidget* w : std::initializer_list<QWidget*>{first_, previous_, pageLabel_, next_, last_})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(printButton);
    bar->addWidget(saveButton);
    bar->addWidget(closeButton);

    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidgetResizable(false);
    view_ = new PageView;
    scroll_->setWidget(view_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);

    connect(fitPage_, &QToolButton::clicked, this, [this] { setZoomMode(ZoomMode::FitPage); });
    connect(fitWidth_, &QToolButton::clicked, this, [this] { setZoomMode(ZoomMode::FitWidth); });
    connect(actualSize_, &QToolButton::clicked, this, [this] { setZoomPercent(100); });
    connect(zoomInButton, &QToolButton::clicked, this, &PreviewWindow::zoomIn);
    connect(zoomOutButton, &QToolButton::clicked, this, &PreviewWindow::zoomOut);
    connect(first_, &QToolButton::clicked, this, &PreviewWindow::firstPage);
    connect(previous_, &QToolButton::clicked, this, &PreviewWindow::previousPage);
    connect(next_, &QToolButton::clicked, this, &PreviewWindow::nextPage);
    connect(last_, &QToolButton::clicked, this, &PreviewWindow::lastPage);
    connect(printButton, &QToolButton::clicked, this, &PreviewWindow::print);
    connect(saveButton, &QToolButton::clicked, this, &PreviewWindow::saveAsPdf);
    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);

    // Shortcuts rather than key handlers: the scroll area would take PgUp and PgDn for itself.
    auto shortcut = [this](QKeySequence keys, void (PreviewWindow::*slot)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_PageUp), &PreviewWindow::previousPage);
    shortcut(QKeySequence(Qt::Key_PageDown), &PreviewWindow::nextPage);
    shortcut(QKeySequence(Qt::Key_Home), &PreviewWindow::firstPage);
    shortcut(QKeySequence(Qt::Key_End), &PreviewWindow::lastPage);
    for (QKeyCombination key : {QKeyCombination(Qt::Key_Plus), QKeyCombination(Qt::Key_Equal),
                                QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus)})
        shortcut(QKeySequence(key), &PreviewWindow::zoomIn);
    for (QKeyCombination key :
         {QKeyCombination(Qt::Key_Minus), QKeyCombination(Qt::KeypadModifier, Qt::Key_Minus)})
        shortcut(QKeySequence(key), &PreviewWindow::zoomOut);

    resize(900, 1000);
    updateControls();
}

PreviewWindow::~PreviewWindow() = default;

bool PreviewWindow::regenerate() {
    try {
        reports::Document fresh = generate_();
        // The view points into the pages; it lets go before they are replaced.
        view_->setPage(nullptr, 1);
        document_ = std::move(fresh);
    } catch (const std::exception& e) {
        prompter_.error(QString::fromUtf8(e.what()));
        return false;
    }
    page_ = std::clamp(page_, 0, std::max(0, pageCount() - 1));
    applyZoom();
    return true;
}

bool PreviewWindow::load() {
    page_ = 0;
    return regenerate();
}

void PreviewWindow::run() {
    if (!load()) return;
    exec();
}

QString PreviewWindow::pageCaption() const {
    return QStringLiteral("Strona %1 z %2").arg(pageCount() ? page_ + 1 : 0).arg(pageCount());
}

void PreviewWindow::showPage(int index) {
    const int clamped = std::clamp(index, 0, std::max(0, pageCount() - 1));
    if (clamped == page_ && view_->page()) return;
    page_ = clamped;
    applyZoom();
    scroll_->verticalScrollBar()->setValue(0);
}

double PreviewWindow::screenDotsPerMm() const {
    return logicalDpiX() / 25.4;
}

void PreviewWindow::setZoomMode(ZoomMode mode) {
    zoomMode_ = mode;
    applyZoom();
}

void PreviewWindow::setZoomPercent(int percent) {
    zoomMode_ = ZoomMode::Fixed;
    zoom_ = std::clamp(percent, kZoomSteps.front(), kZoomSteps.back()) / 100.0;
    applyZoom();
}

void PreviewWindow::zoomIn() {
    const int now = int(std::lround(zoom_ * 100));
    for (int step : kZoomSteps)
        if (step > now) return setZoomPercent(step);
}

void PreviewWindow::zoomOut() {
    const int now = int(std::lround(zoom_ * 100));
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
        if (*it < now) return setZoomPercent(*it);
}

void PreviewWindow::applyZoom() {
    const reports::Page* page = pageCount() ? &document_.pages[std::size_t(page_)] : nullptr;
    if (page && zoomMode_ != ZoomMode::Fixed) {
        const QSize room =
            scroll_->viewport()->size() - QSize(2 * PageView::kGap, 2 * PageView::kGap);
        const double perMm = screenDotsPerMm();
        // A fitted width leaves room for the vertical scroll bar it brings.
        const double width = (room.width() - (zoomMode_ == ZoomMode::FitWidth &&
                                                      !scroll_->verticalScrollBar()->isVisible()
                                                  ? scroll_->verticalScrollBar()->sizeHint().width()
                                                  : 0)) /
                             (page->width * perMm);
        const double height = room.height() / (page->height * perMm);
        zoom_ = std::max(0.05, zoomMode_ == ZoomMode::FitWidth ? width : std::min(width, height));
    }
    if (page)
        view_->setPage(page, zoom_ * screenDotsPerMm());
    else
        view_->setPage(nullptr, 1);
    updateControls();
}

void PreviewWindow::updateControls() {
    pageLabel_->setText(pageCaption());
    zoomLabel_->setText(QStringLiteral("%1 %").arg(int(std::lround(zoom_ * 100))));
    first_->setEnabled(page_ > 0);
    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pageCount());
    last_->setEnabled(page_ + 1 < pageCount());
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (zoomMode_ != ZoomMode::Fixed) applyZoom();
}

void PreviewWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyZoom();
}

bool PreviewWindow::print() {
    if (!regenerate()) return false;
    const reports::PrintStatus status = printer_.print(document_, options_.title);
    if (!status.ok()) {
        prompter_.error(status.message());
        return false;
    }
    return true;
}

bool PreviewWindow::saveAsPdf() {
    QString path = chooseFile_(this, safeFileName(options_.pdfFileName));
    if (path.isEmpty()) return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    const reports::PrintStatus status = reports::writePdf(
        document_, path, options_.pdfTitle.isEmpty() ? options_.title : options_.pdfTitle,
        options_.pdfAuthor);
    if (!status.ok()) {
        prompter_.error(status.message());
        return false;
    }
    return true;
}

}  // namespace lumiro::printouts
