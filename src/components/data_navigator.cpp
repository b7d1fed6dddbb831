#include "components/data_navigator.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace lumiro::components {

namespace {

struct ButtonInfo {
    NavigatorButton id;
    const char16_t* glyph;
    const char16_t* hint;
};

constexpr ButtonInfo kButtons[] = {
    {NavigatorButton::First, u"|\u25C0", u"Pierwszy"},
    {NavigatorButton::Prior, u"\u25C0", u"Góra"},
    {NavigatorButton::Next, u"\u25B6", u"Dół"},
    {NavigatorButton::Last, u"\u25B6|", u"Ostatni"},
    {NavigatorButton::Insert, u"+", u"Dodaj"},
    {NavigatorButton::Delete, u"\u2212", u"Kasuj"},
    {NavigatorButton::Edit, u"\u25B2", u"Edycja"},
    {NavigatorButton::Post, u"\u2713", u"Zatwierdź"},
    {NavigatorButton::Cancel, u"\u2717", u"Pomiń"},
    {NavigatorButton::Refresh, u"\u21BB", u"Odśwież"},
};

}  // namespace

DataNavigator::DataNavigator(DataSource* source, QWidget* parent)
    : QWidget(parent), source_(source) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonInfo& info : kButtons) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf16(info.glyph));
        b->setToolTip(QString::fromUtf16(info.hint));
        b->setAutoRaise(false);
        b->setMinimumWidth(26);
        b->setFocusPolicy(Qt::NoFocus);
        const NavigatorButton id = info.id;
        connect(b, &QToolButton::clicked, this, [this, id] { press(id); });
        layout->addWidget(b);
        buttons_.insert(id, b);
    }
    layout->addStretch();
    connect(source, &DataSource::stateChanged, this, &DataNavigator::updateButtons);
    connect(source, &DataSource::rowChanged, this, &DataNavigator::updateButtons);
    connect(source, &DataSource::rowsChanged, this, &DataNavigator::updateButtons);
    updateButtons();
}

void DataNavigator::setVisibleButtons(const QList<NavigatorButton>& buttons) {
    for (auto it = buttons_.begin(); it != buttons_.end(); ++it)
        it.value()->setVisible(buttons.contains(it.key()));
}

void DataNavigator::setHint(NavigatorButton button, const QString& hint) {
    buttons_.value(button)->setToolTip(hint);
}

QToolButton* DataNavigator::button(NavigatorButton which) const {
    return buttons_.value(which);
}

void DataNavigator::press(NavigatorButton which) {
    if (!source_->isOpen()) return;
    engine::Table& t = source_->table();
    // Typed text not yet in the record belongs to the row being left or posted.
    if (which != NavigatorButton::Cancel && which != NavigatorButton::Refresh &&
        !source_->updateRecord()) {
        Q_EMIT clicked(which);
        return;
    }
    switch (which) {
        case NavigatorButton::First:
            source_->run([&] { t.first(); });
            break;
        case NavigatorButton::Prior:
            source_->run([&] { t.prior(); });
            break;
        case NavigatorButton::Next:
            source_->run([&] { t.next(); });
            break;
        case NavigatorButton::Last:
            source_->run([&] { t.last(); });
            break;
        case NavigatorButton::Insert:
            source_->run([&] { t.insert(); });
            break;
        case NavigatorButton::Delete:
            if (t.state() != engine::TableState::Insert && !t.bookmark().valid()) break;
            if (confirmDelete_ &&
                !source_->prompter().confirm(QStringLiteral("Czy usunąć bieżący wiersz?")))
                break;
            source_->run([&] { t.remove(); });
            break;
        case NavigatorButton::Edit:
            source_->edit();
            break;
        case NavigatorButton::Post:
            source_->post();
            break;
        case NavigatorButton::Cancel:
            source_->cancel();
            break;
        case NavigatorButton::Refresh:
            source_->refresh();
            break;
    }
    updateButtons();
    Q_EMIT clicked(which);
}

void DataNavigator::updateButtons() {
    const bool open = source_->isOpen();
    const bool editing = open && source_->isEditing();
    engine::Table& t = source_->table();
    const bool hasRow = open && (editing || t.bookmark().valid());
    const bool writable = open && t.accessMode() != engine::AccessMode::ReadOnly;
    buttons_[NavigatorButton::First]->setEnabled(open && !t.bof());
    buttons_[NavigatorButton::Prior]->setEnabled(open && !t.bof());
    buttons_[NavigatorButton::Next]->setEnabled(open && !t.eof());
    buttons_[NavigatorButton::Last]->setEnabled(open && !t.eof());
    buttons_[NavigatorButton::Insert]->setEnabled(writable);
    buttons_[NavigatorButton::Delete]->setEnabled(writable && hasRow);
    buttons_[NavigatorButton::Edit]->setEnabled(writable && !editing);
    buttons_[NavigatorButton::Post]->setEnabled(editing);
    buttons_[NavigatorButton::Cancel]->setEnabled(editing);
    buttons_[NavigatorButton::Refresh]->setEnabled(open);
}

}  // namespace lumiro::components
