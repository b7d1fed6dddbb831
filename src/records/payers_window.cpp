#include "records/payers_window.h"

#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

#include "components/data_grid.h"
#include "components/data_source.h"
#include "data/data_module.h"
#include "data/employee_cards.h"
#include "data/table_text.h"
#include "records/id_number_indicator.h"

namespace lumiro::records {

namespace {

using engine::Table;
using engine::TableState;

struct PayerColumn {
    const char16_t* field;
    const char16_t* title;
    int width;
    int maxLength;  // 0: the column's size
    std::optional<IdNumberKind> check;
};

// The lengths are those of the payer fields on the employee index and the printed forms.
const PayerColumn kPayerColumns[] = {
    {u"NR", u"Numer", 60, 0, std::nullopt},
    {u"POCZTA", u"Nazwa", 300, 0, std::nullopt},
    {u"NIP", u"NIP", 110, 10, IdNumberKind::Nip},
    {u"SKROT", u"REGON", 135, 14, IdNumberKind::Regon},
    {u"NAZWA1", u"PESEL", 120, 11, IdNumberKind::Pesel},
    {u"NAZWA2", u"Dowód Osobisty", 115, 0, std::nullopt},
    {u"GMIN", u"Numer NKP", 130, 14, std::nullopt},
    {u"POW", u"Numer sprawy", 210, 25, std::nullopt},
};

}  // namespace

TKADF9::TKADF9(data::Tdane& dane, components::DataSource& ZZLEC, QWidget* parent)
    : QDialog(parent), dane_(dane), ZZLEC_(ZZLEC) {
    setWindowTitle(QStringLiteral("Płatnicy składek"));

    auto* toolbar = new QToolBar(this);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto makeButton = [&](const QString& caption, const QString& hint, QStyle::StandardPixmap icon,
                          void (TKADF9::*handler)()) {
        auto* button = new QToolButton(toolbar);
        button->setText(caption);
        button->setToolTip(hint);
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, handler);
        toolbar->addWidget(button);
        return button;
    };
    newButton_ = makeButton(QStringLiteral("Nowa pozycja"), QStringLiteral("Nowa pozycja"),
                            QStyle::SP_FileIcon, &TKADF9::newPayer);
    saveButton_ = makeButton(QStringLiteral("Zapisz dane"), QStringLiteral("Zapis pozycji"),
                             QStyle::SP_DialogSaveButton, &TKADF9::savePayer);
    deleteButton_ = makeButton(QStringLiteral("Usuń pozycję"), QStringLiteral("Kasowanie pozycji"),
                               QStyle::SP_TrashIcon, &TKADF9::deletePayer);

    XDBGrid1_ = new components::DataGrid(&ZZLEC_, this);
    XDBGrid1_->setObjectName(QStringLiteral("XDBGrid1"));
    XDBGrid1_->setReadOnly(false);
    XDBGrid1_->setInsertKeyEnabled(false);
    XDBGrid1_->setDeleteKeyEnabled(false);
    XDBGrid1_->setAppendOnDownEnabled(false);
    int width = XDBGrid1_->verticalHeader()->sizeHint().width() + 4;
    for (const PayerColumn& c : kPayerColumns) {
        const int at =
            XDBGrid1_->addColumn(QString::fromUtf16(c.field), QString::fromUtf16(c.title), c.width);
        width += c.width;
        if (c.maxLength > 0 || c.check)
            XDBGrid1_->setItemDelegateForColumn(
                at, new LimitedCellDelegate(XDBGrid1_->itemDelegate(), c.maxLength, c.check,
                                            XDBGrid1_));
    }
    XDBGrid1_->setColumnReadOnly(0, true);
    XDBGrid1_->setColumnAlignment(0, Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(XDBGrid1_, 1);
    resize(width + XDBGrid1_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8, 360);
}

void TKADF9::openModal() {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // The window opens in the grid, not on its first toolbar button, where Enter or Space
    // would add a payer.
    XDBGrid1_->setFocus(Qt::OtherFocusReason);
    exec();
}

void TKADF9::newPayer() {
    Table& payers = dane_.TZlec;
    if (!payers.isOpen() || !ZZLEC_.updateRecord()) return;
    const bool begun = ZZLEC_.run([&] {
        payers.last();  // posts a row still being edited first
        const std::int64_t highest = payers.isEmpty() ? 0 : payers.asInteger(payers.field("NR"));
        if (highest >= kHighestPayerNumber)
            throw std::runtime_error("Osiągnięto największy numer płatnika (" +
                                     std::to_string(kHighestPayerNumber) + ").");
        payers.insert();
        payers.setAsInteger(payers.field("NR"), highest + 1);
    });
    if (!begun) return;
    XDBGrid1_->gridModel()->resetNow();
    const int row = XDBGrid1_->gridModel()->currentRow();
    if (row >= 0) XDBGrid1_->setCurrentIndex(XDBGrid1_->gridModel()->index(row, 1));
    XDBGrid1_->setFocus(Qt::OtherFocusReason);
}

void TKADF9::savePayer() {
    if (!ZZLEC_.updateRecord()) return;
    ZZLEC_.run([&] { dane_.ZapiszRekord(dane_.TZlec); });
}

void TKADF9::deletePayer() {
    Table& payers = dane_.TZlec;
    if (!payers.isOpen()) return;
    // The name being typed is the one the question must show.
    if (!ZZLEC_.updateRecord()) return;
    const bool inserting = payers.state() == TableState::Insert;
    if (!inserting && !payers.bookmark().valid()) return;

    // The question names the payer by name: the PESEL column is empty for most payers and
    // would leave the user guessing which one goes.
    const QString name = data::fromTable(payers.asString(payers.field("POCZTA"))).trimmed();
    if (!dane_.prompter().confirm(
            QStringLiteral("Czy usunąć wszystkie zapisy dla Płatnika : ") + name,
            platform::MessageIcon::Warning))
        return;

    if (inserting) {
        // A row never posted owns nothing on disk.
        ZZLEC_.cancel();
        return;
    }
    ZZLEC_.run([&] { data::EmployeeCards(dane_).deletePayer(); });
    ZZLEC_.notifyRowsChanged();
}

void TKADF9::done(int result) {
    // A payer begun and filled in but never saved is kept rather than silently lost.
    if (ZZLEC_.updateRecord()) ZZLEC_.run([&] { dane_.ZapiszRekord(dane_.TZlec); });
    QDialog::done(result);
    Q_EMIT payersChanged();
}

}  // namespace lumiro::records
