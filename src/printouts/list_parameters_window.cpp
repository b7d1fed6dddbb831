#include "printouts/list_parameters_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/process_values.h"

namespace lumiro::printouts {

TKADF7::TKADF7(const platform::ProcessValues& values, QWidget* parent)
    : QDialog(parent),
      values_(values),
      number_(new QLineEdit(this)),
      year_(new QLineEdit(this)),
      date_(new QLineEdit(this)),
      count_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Parametry zestawienia"));
    count_->setReadOnly(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Numer wykazu :"), number_);
    form->addRow(QStringLiteral("Rok :"), year_);
    form->addRow(QStringLiteral("z dnia :"), date_);
    form->addRow(QStringLiteral("Ilość wniosków ubezpieczonych :"), count_);
    auto* stop = new QPushButton(QStringLiteral("Przerwij"), this);
    auto* print = new QPushButton(QStringLiteral("Wydruk"), this);
    print->setDefault(true);
    connect(stop, &QPushButton::clicked, this, &QDialog::reject);
    connect(print, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop);
    buttons->addWidget(print);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TKADF7::FormShow(int listed) {
    number_->clear();
    year_->setText(values_.RokRoboczy);
    date_->setText(values_.DataDzis);
    count_->setText(QString::number(listed));
    number_->setFocus();
}

std::optional<ListHeading> TKADF7::ask(int listed) {
    FormShow(listed);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return ListHeading{number_->text(), year_->text(), date_->text()};
}

}  // namespace lumiro::printouts
