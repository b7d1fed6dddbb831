#include "printouts/print_parameters_window.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

#include "components/data_controls.h"
#include "components/data_source.h"
#include "data/data_module.h"
#include "platform/font_chooser.h"
#include "printouts/form_data.h"

namespace lumiro::printouts {

FontPanel::FontPanel(data::Tdane& dane, int slot, const QString& caption, QWidget* parent)
    : QFrame(parent), dane_(dane), slot_(slot), label_(new QLabel(caption, this)) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(48);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
}

void FontPanel::show(const QFont& font, const QColor& color) {
    label_->setFont(font);
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, color);
    label_->setPalette(palette);
}

void FontPanel::load() {
    platform::FontChoice choice;
    dane_.CzcionkaWydruku(slot_, choice, false);
    if (const std::optional<PrintoutFont> stored = printoutFont(choice))
        show(stored->font, stored->color);
    else
        show(font(), palette().color(QPalette::WindowText));
}

void FontPanel::choose() {
    platform::FontChoice choice;
    dane_.CzcionkaWydruku(slot_, choice, false);
    if (choice.name.isEmpty()) {
        const QFont current = label_->font();
        choice.name = current.family();
        choice.size = int(current.pointSizeF() + 0.5);
    }
    dane_.CzcionkaWydruku(slot_, choice, true);
    load();
}

void FontPanel::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    choose();
}

void FontPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        choose();
        return;
    }
    QFrame::keyPressEvent(event);
}

TKAdF6::TKAdF6(data::Tdane& dane, QWidget* parent)
    : QDialog(parent),
      dane_(dane),
      ZPARA_(std::make_unique<components::DataSource>(dane.TPARA, dane.prompter())) {
    setWindowTitle(QStringLiteral("Ustawienie parametrów wydruku"));
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    massPrint_ = new components::DbRadioGroup(ZPARA_.get(), QStringLiteral("P2"),
                                              QStringLiteral("Dokumenty Kp-1 i Rp-7"), this);
    massPrint_->setItems({QStringLiteral("wydruk pojedyńczy"), QStringLiteral("wydruk masowy")},
                         {QStringLiteral("0"), QStringLiteral("1")});
    information_ = new components::DbRadioGroup(ZPARA_.get(), QStringLiteral("B1"),
                                                QStringLiteral("Dokumenty RP-7, RP-6, KP-1"), this);
    information_->setItems(
        {QStringLiteral("wydruk informacji"), QStringLiteral("bez wydruku informacji")},
        {QStringLiteral("Prawda"), QStringLiteral("Fałsz")});
    rp6Font_ = new FontPanel(dane, 1, QStringLiteral("Zmiana czcionki - wydruk RP6"), this);
    rp7Font_ = new FontPanel(dane, 2, QStringLiteral("Zmiana czcionki - wydruk RP7"), this);
    layout->addWidget(massPrint_);
    layout->addWidget(information_);
    layout->addWidget(rp6Font_);
    layout->addWidget(rp7Font_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Zamknij"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TKAdF6::~TKAdF6() = default;

void TKAdF6::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    rp6Font_->load();
    rp7Font_->load();
}

void TKAdF6::done(int result) {
    // Closed by the button, Esc or the title bar: the choices are saved each time.
    try {
        dane_.ZapiszRekord(dane_.TPARA);
    } catch (const std::exception& e) {
        dane_.prompter().error(QString::fromUtf8(e.what()));
    }
    QDialog::done(result);
}

void TKAdF6::openModal() {
    exec();
}

}  // namespace lumiro::printouts
