#include "app/welcome_window.h"

#include "app/contact_details.h"
#include "app/link_label.h"
#include "app/local_documents.h"
#include "app/welcome_pictures.h"
#include "app/window_placement.h"
#include "platform/gui/jpeg_loader.h"
#include "platform/shell_open.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace lumiro::app {
namespace {

const QColor kBackground(0xFF, 0xFF, 0xCC);  // the pale yellow 13434879 of the old screens
const QColor kText(0x1A, 0x3C, 0x8C);
constexpr int kGuideIconSize = 56;
constexpr int kProgramIconSize = 96;

QImage bannerPicture() {
    try {
        return platform::loadJpeg(QStringLiteral(":/pictures/welcome.jpg"));
    } catch (const platform::JpegError& error) {
        // Artwork is not worth stopping the program for.
        std::fprintf(stderr, "%s\n", error.what());
        return {};
    }
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    label->setFont(font);
    return label;
}

}  // namespace

TSTART::TSTART(platform::ShellOpener& shell, QWidget* parent)
    : QWidget(parent, Qt::Window), shell_(shell) {
    setWindowTitle(QStringLiteral("Lumiro"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::WindowText, kText);
    colours.setColor(QPalette::ButtonText, kText);
    // A button that cannot be used must look it, caption included.
    colours.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    setPalette(colours);

    Image1_ = new QLabel(this);
    Image1_->setAlignment(Qt::AlignCenter);
    if (const QImage banner = bannerPicture(); !banner.isNull()) {
        Image1_->setPixmap(QPixmap::fromImage(banner));
    }

    Shape1_ = new QFrame(this);
    Shape1_->setFrameShape(QFrame::HLine);
    Shape1_->setFrameShadow(QFrame::Sunken);

    auto* guide = new QWidget(this);
    auto* guideLayout = new QVBoxLayout(guide);
    guideLayout->setContentsMargins(0, 0, 0, 0);
    guideLayout->addWidget(heading(QStringLiteral("Poradnik: kapitał początkowy"), guide));
    auto* guideGrid = new QGridLayout;
    guideGrid->setSpacing(6);
    guideLayout->addLayout(guideGrid);
    Image2_ = addPictureButton(int(WelcomePicture::Law), QStringLiteral("Prawo"), kGuideIconSize);
    Image3_ = addPictureButton(int(WelcomePicture::Establishing),
                               QStringLiteral("Ustalanie kapitału"), kGuideIconSize);
    Image4_ = addPictureButton(int(WelcomePicture::Documentation), QStringLiteral("Dokumentacja"),
                               kGuideIconSize);
    Image5_ = addPictureButton(int(WelcomePicture::Workplace), QStringLiteral("Zakład pracy"),
                               kGuideIconSize);
    Image6_ =
        addPictureButton(int(WelcomePicture::Rules), QStringLiteral("Zasady"), kGuideIconSize);
    Image7_ = addPictureButton(int(WelcomePicture::Examples), QStringLiteral("Przykłady"),
                               kGuideIconSize);
    QToolButton* const sections[] = {Image2_, Image3_, Image4_, Image5_, Image6_, Image7_};
    for (int i = 0; i < 6; ++i) guideGrid->addWidget(sections[i], i / 3, i % 3);

    auto* program = new QWidget(this);
    auto* programLayout = new QVBoxLayout(program);
    programLayout->setContentsMargins(0, 0, 0, 0);
    programLayout->addWidget(heading(QStringLiteral("Program"), program));
    Image8_ = addPictureButton(int(WelcomePicture::Program),
                               QStringLiteral("Kartoteka pracowników"), kProgramIconSize);
    programLayout->addWidget(Image8_, 0, Qt::AlignHCenter);
    programLayout->addStretch();

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(24, 12, 24, 0);
    middle->setSpacing(24);
    middle->addWidget(guide);
    middle->addWidget(divider);
    middle->addWidget(program, 1);

    contactBlock_ = new QWidget(this);
    contactLayout_ = new QVBoxLayout(contactBlock_);
    contactLayout_->setContentsMargins(kPublisherLineLeft, 0, 16, 0);
    contactLayout_->setSpacing(4);
    Label2_ = new QLabel(QString::fromUtf16(contact::kPublisherLine), contactBlock_);
    Label4_ = new LinkLabel(QString::fromUtf16(contact::kPublisherWeb), contactBlock_);
    Label4_->setOnClick([this] { Label4Click(); });
    Label5_ = new LinkLabel(QString::fromUtf16(contact::kPublisherEmail), contactBlock_);
    Label5_->setOnClick([this] { Label5Click(); });
    auto* links = new QHBoxLayout;
    links->setSpacing(24);
    links->addWidget(Label4_);
    links->addWidget(Label5_);
    links->addStretch();
    contactLayout_->addWidget(Label2_);
    contactLayout_->addLayout(links);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 12, 0, 16);
    root->setSpacing(8);
    root->addWidget(Image1_);
    auto* rule = new QHBoxLayout;
    rule->setContentsMargins(20, 0, 20, 0);
    rule->addWidget(Shape1_);
    root->addLayout(rule);
    root->addLayout(middle);
    root->addStretch(1);
    root->addWidget(contactBlock_);

    connect(Image2_, &QToolButton::clicked, this, [this] { Image2Click(); });
    connect(Image3_, &QToolButton::clicked, this, [this] { Image3Click(); });
    connect(Image4_, &QToolButton::clicked, this, [this] { Image4Click(); });
    connect(Image5_, &QToolButton::clicked, this, [this] { Image5Click(); });
    connect(Image6_, &QToolButton::clicked, this, [this] { Image6Click(); });
    connect(Image7_, &QToolButton::clicked, this, [this] { Image7Click(); });
    connect(Image8_, &QToolButton::clicked, this, [this] { Image8Click(); });
    setEmployeeIndexOpener({});

    resize(800, 500);
    centerOnScreen(*this);
}

QToolButton* TSTART::addPictureButton(int picture, const QString& text, int iconSize) {
    auto* button = new QToolButton(this);
    const QPixmap tile =
        drawWelcomePicture(static_cast<WelcomePicture>(picture), iconSize, devicePixelRatioF());
    button->setIcon(QIcon(tile));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumWidth(iconSize + 64);
    return button;
}

void TSTART::setEmployeeIndexOpener(EmployeeIndexOpener opener) {
    openEmployeeIndex_ = std::move(opener);
    Image8_->setEnabled(bool(openEmployeeIndex_));
    Image8_->setToolTip(openEmployeeIndex_
                            ? QStringLiteral("Kartoteka pracowników i dokumenty ZUS")
                            : QStringLiteral("Moduł kartoteki pracowników nie jest jeszcze "
                                             "dostępny."));
}

int TSTART::contactLineLeft() const {
    return Label2_->mapTo(this, QPoint(0, 0)).x();
}

void TSTART::showEvent(QShowEvent* event) {
    // A window coming back from being minimised is not shown anew.
    if (!event->spontaneous()) FormShow();
    QWidget::showEvent(event);
}

void TSTART::FormShow() {
    const std::optional<int> variant = contactVariant_ ? contactVariant_() : std::nullopt;
    int left = kPublisherLineLeft;
    if (variant == 1) {
        Label2_->setText(QString::fromUtf16(contact::kPublisherLine));
        Label4_->setText(QString::fromUtf16(contact::kPublisherWeb));
        label4Target_ = QString::fromUtf16(contact::kPublisherWeb);
        Label5_->setVisible(true);
    } else if (variant == 0) {
        Label2_->setText(QString::fromUtf16(contact::kMakerLine));
        Label4_->setText(QStringLiteral("Zamówienia : WWW"));
        label4Target_ = QString::fromUtf16(contact::kMakerOrderPage);
        Label5_->setVisible(false);
        left = kMakerLineLeft;
    } else {
        Label2_->setText(QString::fromUtf16(contact::kPublisherLine));
        Label4_->setText(QString::fromUtf16(contact::kPublisherWeb));
        label4Target_.clear();
        Label5_->setVisible(true);
    }
    const QMargins margins = contactLayout_->contentsMargins();
    contactLayout_->setContentsMargins(left, margins.top(), margins.right(), margins.bottom());
    // Placed now, not at the next layout pass, so that the first paint is already right.
    layout()->activate();
    contactLayout_->activate();
}

void TSTART::withBusyCursor(QWidget& control, const std::function<void()>& action) {
    control.setCursor(Qt::WaitCursor);
    struct Restore {
        QWidget& control;
        ~Restore() { control.setCursor(Qt::PointingHandCursor); }
    } restore{control};
    action();
}

void TSTART::openGuide(QWidget& control, const char16_t* path) {
    // A document that cannot be opened is the desktop's to report, not ours.
    withBusyCursor(control, [&] { shell_.open(localDocumentUrl(QString::fromUtf16(path))); });
}

void TSTART::Label4Click() {
    withBusyCursor(*Label4_, [this] {
        if (!label4Target_.isEmpty()) shell_.open(QUrl(label4Target_));
    });
}

void TSTART::Label5Click() {
    withBusyCursor(*Label5_, [this] {
        shell_.open(QUrl(QStringLiteral("mailto:") + QString::fromUtf16(contact::kPublisherEmail)));
    });
}

void TSTART::Image2Click() {
    openGuide(*Image2_, guide::kLaw);
}
void TSTART::Image3Click() {
    openGuide(*Image3_, guide::kEstablishing);
}
void TSTART::Image4Click() {
    openGuide(*Image4_, guide::kDocumentation);
}
void TSTART::Image5Click() {
    openGuide(*Image5_, guide::kWorkplace);
}
void TSTART::Image6Click() {
    openGuide(*Image6_, guide::kRules);
}
void TSTART::Image7Click() {
    openGuide(*Image7_, guide::kExamples);
}

void TSTART::Image8Click() {
    if (!openEmployeeIndex_) return;
    withBusyCursor(*Image8_, [this] { openEmployeeIndex_(); });
}

}  // namespace lumiro::app
