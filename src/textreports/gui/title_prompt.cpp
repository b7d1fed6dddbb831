#include "textreports/gui/title_prompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumiro::textreports {

TDRUKTYT::TDRUKTYT(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Nazwa wydruku"));
    setModal(true);
    auto* label = new QLabel(QStringLiteral("Podaj nazwę wydruku :"), this);
    Etytul_ = new QLineEdit(this);
    Etytul_->setMinimumWidth(320);
    label->setBuddy(Etytul_);
    OK_ = new QPushButton(QStringLiteral("OK"), this);
    OK_->setDefault(true);
    connect(OK_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Etytul_);
    layout->addLayout(buttons);
}

QString TDRUKTYT::ask(const QString& current) {
    Etytul_->setText(current);
    Etytul_->selectAll();
    Etytul_->setFocus();
    exec();
    return Etytul_->text();
}

}  // namespace lumiro::textreports
