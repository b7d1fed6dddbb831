#include "app/about_window.h"

#include "app/contact_details.h"
#include "app/link_label.h"
#include "app/window_placement.h"
#include "platform/shell_open.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumiro::app {
namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

}  // namespace

TKadF3::TKadF3(platform::ShellOpener& shell, QWidget* parent) : QDialog(parent), shell_(shell) {
    setWindowTitle(QStringLiteral("Informacja o programie"));
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);

    auto* name = new QLabel(QStringLiteral("Program Lumiro"), panel);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    orderLink_ = new LinkLabel(QString::fromUtf16(contact::kMakerOrderPage), panel);
    webLink_ = new LinkLabel(QString::fromUtf16(contact::kMakerWeb), panel);
    emailLink_ = new LinkLabel(QString::fromUtf16(contact::kMakerEmail), panel);
    orderLink_->setOnClick([this] { openWebLink(*orderLink_); });
    webLink_->setOnClick([this] { openWebLink(*webLink_); });
    emailLink_->setOnClick([this] { openEmailLink(*emailLink_); });

    auto* author = new QLabel(QString::fromUtf16(contact::kMakerName) + u'\n' +
                                  QString::fromUtf16(contact::kMakerAddress),
                              panel);
    auto* telephone = new QLabel(QString::fromUtf16(contact::kMakerTelephone), panel);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    grid->addWidget(caption(QStringLiteral("Zamówienia:"), panel), 0, 0);
    grid->addWidget(orderLink_, 0, 1);
    grid->setRowMinimumHeight(1, 8);
    grid->addWidget(caption(QStringLiteral("Autor: "), panel), 2, 0);
    grid->addWidget(author, 2, 1);
    grid->addWidget(caption(QStringLiteral("Telefon :"), panel), 3, 0);
    grid->addWidget(telephone, 3, 1);
    grid->addWidget(caption(QStringLiteral("Strony WWW:"), panel), 4, 0);
    grid->addWidget(webLink_, 4, 1);
    grid->addWidget(caption(QStringLiteral("Email:"), panel), 5, 0);
    grid->addWidget(emailLink_, 5, 1);
    grid->setColumnStretch(1, 1);

    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(20, 16, 20, 16);
    panelLayout->setSpacing(14);
    panelLayout->addWidget(name);
    panelLayout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(panel);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void TKadF3::openModal() {
    centerOnScreen(*this);
    exec();
}

void TKadF3::openWebLink(const LinkLabel& link) {
    shell_.open(QUrl(link.text()));
}

void TKadF3::openEmailLink(const LinkLabel& link) {
    shell_.open(QUrl(QStringLiteral("mailto:") + link.text()));
}

}  // namespace lumiro::app
