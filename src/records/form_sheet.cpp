#include "records/form_sheet.h"

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QScrollArea>

#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "data/data_module.h"
#include "data/table_text.h"
#include "records/id_number_indicator.h"

namespace lumiro::records {

using components::DataGrid;
using components::DataNavigator;
using components::DataSource;
using components::DbEdit;

FormSources::FormSources(FormPagesContext& pages)
    : context(pages),
      ZRP7(new DataSource(pages.dane.TRP7, pages.prompter, this)),
      Zzar(new DataSource(pages.dane.Tzar, pages.prompter, this)),
      ZZal(new DataSource(pages.dane.TZal, pages.prompter, this)),
      Zzal2(new DataSource(pages.dane.Tzal2, pages.prompter, this)),
      ZZal3(new DataSource(pages.dane.TZal3, pages.prompter, this)) {
    data::Tdane& dane = pages.dane;
    // The grids read through cursors of their own, which must follow the same employee.
    ZRP7->mirrorMasterLink(dane.TZlec, "ZLEC", "NR");
    for (DataSource* detail : {Zzar, ZZal, Zzal2, ZZal3})
        detail->mirrorMasterLink(dane.TRP7, "ZLEC;NR", "ZLEC;NR");
    Zzar->mirrorCalculation([&dane](engine::Table& t) { dane.TzarCalcFields(t); });
}

FormSheet::FormSheet(FormPage* page, FormSources& sources) : page_(page), sources_(sources) {
    auto* scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setBackgroundRole(QPalette::Mid);
    // Tab goes from the tabs straight to the first field; the sheet scrolls to the field that
    // takes the focus.
    scroll->setFocusPolicy(Qt::NoFocus);

    paper_ = new QFrame;
    paper_->setObjectName(QStringLiteral("paper"));
    // The scroll area paints its viewport itself, so only a style sheet makes the sheet white.
    paper_->setStyleSheet(QStringLiteral("QFrame#paper { background: white; }"));
    layout_ = new QVBoxLayout(paper_);
    layout_->setContentsMargins(18, 12, 18, 12);
    layout_->setSpacing(4);
    scroll->setWidget(paper_);

    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

QBoxLayout* FormSheet::target() {
    return sectionLayout_ ? static_cast<QBoxLayout*>(sectionLayout_) : layout_;
}

QLabel* FormSheet::heading(const QString& text, int points) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + points);
    label->setFont(font);
    target()->addWidget(label);
    return label;
}

QLabel* FormSheet::text(const QString& text, bool bold) {
    auto* label = FormSheet::label(text, bold);
    label->setWordWrap(true);
    target()->addWidget(label);
    return label;
}

QLabel* FormSheet::label(const QString& text, bool bold) {
    auto* label = new QLabel(text);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

QLabel* FormSheet::hint(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSize(std::max(6, font.pointSize() - 2));
    font.setItalic(true);
    label->setFont(font);
    return label;
}

DbEdit* FormSheet::edit(DataSource* source, const QString& column, int chars, int limit) {
    auto* edit = new DbEdit(source, column);
    edit->setObjectName(column);
    if (limit > 0) edit->setInputLimit(limit);
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * chars + 14);
    return edit;
}

QWidget* FormSheet::withIndicator(DbEdit* edit, IdNumberKind kind) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(edit);
    auto* indicator = new IdNumberIndicator(kind, edit, box);
    indicator->setObjectName(QStringLiteral("check") + edit->objectName());
    layout->addWidget(indicator);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return box;
}

QHBoxLayout* FormSheet::line(std::initializer_list<Item> items, int indent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    if (indent > 0) row->addSpacing(indent);
    for (const Item& item : items) {
        if (item.widget)
            row->addWidget(item.widget);
        else
            row->addWidget(label(item.text));
    }
    row->addStretch();
    target()->addLayout(row);
    return row;
}

QWidget* FormSheet::captioned(const QString& caption, QWidget* field) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(hint(caption));
    layout->addWidget(field);
    box->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return box;
}

void FormSheet::add(QWidget* widget, int stretch) {
    target()->addWidget(widget, stretch);
}

void FormSheet::addLayout(QLayout* layout) {
    target()->addLayout(layout);
}

void FormSheet::space(int pixels) {
    target()->addSpacing(pixels);
}

QVBoxLayout* FormSheet::section(const QString& title) {
    endSection();
    auto* box = new QGroupBox(title);
    // A style sheet font stays with the title; a widget font would reach every field inside.
    box->setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; }"));
    auto* inner = new QVBoxLayout(box);
    inner->setSpacing(4);
    layout_->addWidget(box);
    sectionLayout_ = inner;
    return inner;
}

void FormSheet::finish(bool stretch) {
    endSection();
    if (stretch) layout_->addStretch();
}

QPushButton* FormSheet::informationButton(InformationNote note, const QString& objectName) {
    auto* button = new QPushButton(QStringLiteral("INFORMACJA"));
    button->setObjectName(objectName);
    auto open = sources_.context.openNote;
    button->setEnabled(bool(open));
    QObject::connect(button, &QPushButton::clicked, page_, [open, note] {
        if (open) open(note);
    });
    return button;
}

DataGrid* FormSheet::grid(DataSource* source, const QString& objectName,
                          DataNavigator** navigatorOut) {
    auto* navigator = new DataNavigator(source);
    navigator->setObjectName(objectName + QStringLiteral("Navigator"));
    auto* row = new QHBoxLayout;
    row->addWidget(navigator);
    row->addStretch();
    target()->addLayout(row);

    auto* grid = new DataGrid(source);
    grid->setObjectName(objectName);
    grid->setReadOnly(false);
    grid->setMinimumHeight(220);
    target()->addWidget(grid, 1);
    if (navigatorOut) *navigatorOut = navigator;
    return grid;
}

void setColumnText(engine::Table& table, const char* column, const QString& text) {
    const int field = table.field(column);
    QString value = text;
    const int size = table.fields()[std::size_t(field)].size;
    if (size > 0 && value.size() > size) value.truncate(size);
    table.setValue(field, engine::Value{data::toTable(value)});
}

QString columnText(engine::Table& table, const char* column) {
    const int field = table.fieldIndex(column);
    if (field < 0 || table.isNull(field)) return {};
    return data::fromTable(table.asString(field));
}

std::vector<FormPage*> createFormPages(FormPagesContext& context, QWidget* parent) {
    auto* sources = new FormSources(context);
    std::vector<FormPage*> pages = createKp1Pages(*sources);
    pages.push_back(createRp6Page(*sources));
    for (FormPage* page : createRp7Pages(*sources)) pages.push_back(page);
    pages.push_back(createAttachmentPage(*sources));
    pages.push_back(createCertificatePage(*sources));
    // The sources live as long as the window, or with no window as long as the first page;
    // the controls hold them weakly, so the order of destruction does not matter.
    sources->setParent(parent ? static_cast<QObject*>(parent) : pages.front());
    for (FormPage* page : pages) page->setParent(parent);
    return pages;
}

}  // namespace lumiro::records
