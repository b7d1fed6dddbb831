#include "components/data_controls.h"

#include <functional>

#include <QButtonGroup>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "data/table_text.h"

namespace lumiro::components {

namespace {

// Stores `text` in the column, beginning an edit first. Text longer than a text column is
// cut, as the column could not hold it anyway.
bool writeText(const FieldLink& link, QString text) {
    DataSource* source = link.source();
    if (!source || !source->isOpen()) return false;
    const int field = link.field();
    if (field < 0) return false;
    if (const int limit = link.maxLength(); limit > 0 && text.size() > limit) text.truncate(limit);
    if (!source->edit()) return false;
    if (!source->run([&] { source->table().setAsString(field, data::toTable(text)); }))
        return false;
    source->markUserModified();
    return true;
}

bool hasRow(DataSource* source) {
    engine::Table& t = source->table();
    return t.isOpen() && (source->isEditing() || !(t.eof() && t.bof()));
}

}  // namespace

int FieldLink::field() const {
    return source_ ? source_->fieldIndex(column_) : -1;
}

bool FieldLink::canShow() const {
    return source_ && field() >= 0 && hasRow(source_);
}

QString FieldLink::text() const {
    if (!canShow()) return QString();
    return data::fieldText(source_->table(), field());
}

engine::Value FieldLink::value() const {
    if (!canShow()) return engine::Value{};
    return source_->table().value(field());
}

bool FieldLink::isTextColumn() const {
    const int f = field();
    if (f < 0) return false;
    return source_->table().fields()[std::size_t(f)].type == engine::FieldType::Alpha;
}

int FieldLink::maxLength() const {
    const int f = field();
    if (f < 0) return 0;
    const auto& def = source_->table().fields()[std::size_t(f)];
    return def.type == engine::FieldType::Alpha ? def.size : 0;
}

// ---------------------------------------------------------------------------------------

namespace {

// A control shows its column again when that column or the table's state changes, and, if
// it keeps typing of its own, learns when the table moved to another row.
void followField(QObject* control, DataSource* source, const FieldLink& link,
                 const std::function<void()>& refresh, const std::function<void()>& rowMoved = {}) {
    QObject::connect(source, &DataSource::fieldChanged, control, [&link, refresh](int field) {
        if (field < 0 || field == link.field()) refresh();
    });
    QObject::connect(source, &DataSource::stateChanged, control, refresh);
    if (rowMoved) QObject::connect(source, &DataSource::rowChanged, control, rowMoved);
}

// The same for a control that keeps what is typed until it is written: it registers as a
// pending editor, and moving to another row without leaving the control drops what was
// typed for the old one.
void followTypedField(PendingEditor* editor, QObject* control, DataSource* source,
                      const FieldLink& link, bool& pending, const std::function<void()>& refresh) {
    source->addPendingEditor(editor);
    followField(control, source, link, refresh, [&pending, refresh] {
        pending = false;
        refresh();
    });
}

}  // namespace

DbEdit::DbEdit(DataSource* source, const QString& column, QWidget* parent)
    : QLineEdit(parent), link_(source, column) {
    followTypedField(this, this, source, link_, pending_, [this] { refresh(); });
    connect(this, &QLineEdit::textEdited, this, &DbEdit::userEdited);
    refresh();
}

DbEdit::~DbEdit() {
    if (link_.source()) link_.source()->removePendingEditor(this);
}

void DbEdit::setEditMask(const QString& mask) {
    mask_ = EditMask(mask);
    loading_ = true;
    setInputMask(mask_.qtMask());
    loading_ = false;
    refresh();
}

void DbEdit::setInputLimit(int limit) {
    inputLimit_ = limit;
    refresh();
}

bool DbEdit::writesAsTyped() const {
    return mask_.isEmpty() && link_.isTextColumn();
}

void DbEdit::refresh() {
    // A value typed but not yet written stays on screen until it is written or reverted.
    if (pending_) return;
    loading_ = true;
    int limit = link_.maxLength();
    if (inputLimit_ > 0 && (limit <= 0 || inputLimit_ < limit)) limit = inputLimit_;
    if (mask_.isEmpty()) setMaxLength(limit > 0 ? limit : 32767);
    const QString shown = link_.text();
    if (shown != (mask_.isEmpty() ? text() : mask_.storedText(displayText()))) {
        setText(shown);
        // A text longer than the field is read from its beginning, as on the paper form.
        if (!hasFocus()) setCursorPosition(0);
    }
    loading_ = false;
}

void DbEdit::userEdited() {
    if (loading_ || isReadOnly()) return;
    DataSource* source = link_.source();
    // Pending before the edit begins: entering edit state refreshes the controls, which
    // would otherwise put the old value back over what was just typed.
    pending_ = true;
    if (!source || !source->edit()) {
        pending_ = false;
        refresh();
        return;
    }
    if (writesAsTyped()) {
        // Written at once, so that other controls on the column and a save see it.
        writeText(link_, text());
        pending_ = false;
    }
    Q_EMIT changed();
}

bool DbEdit::commit() {
    if (!pending_) return true;
    const QString value = mask_.isEmpty() ? text() : mask_.storedText(displayText());
    if (!writeText(link_, value)) return false;
    pending_ = false;
    refresh();
    return true;
}

void DbEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            commit();
            break;
        case Qt::Key_Escape:
            if (pending_) {
                pending_ = false;
                refresh();
                return;
            }
            break;
        default:
            break;
    }
    QLineEdit::keyPressEvent(event);
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (refocusing_) return;
    if (!commit()) {
        // The value did not convert: the user corrects it here before going on.
        refocusing_ = true;
        QTimer::singleShot(0, this, [this] {
            setFocus(Qt::OtherFocusReason);
            refocusing_ = false;
        });
        return;
    }
    Q_EMIT exited();
}

// ---------------------------------------------------------------------------------------

DbText::DbText(DataSource* source, const QString& column, QWidget* parent)
    : QLabel(parent), link_(source, column) {
    followField(this, source, link_, [this] { refresh(); });
    refresh();
}

void DbText::setDisplayFormat(DisplayFormat format) {
    format_ = std::move(format);
    refresh();
}

void DbText::refresh() {
    if (format_ && link_.canShow())
        setText(format_(link_.value()));
    else
        setText(link_.text());
}

// ---------------------------------------------------------------------------------------

DbCheckBox::DbCheckBox(DataSource* source, const QString& column, const QString& text,
                       QWidget* parent)
    : QCheckBox(text, parent), link_(source, column) {
    followField(this, source, link_, [this] { refresh(); });
    connect(this, &QCheckBox::toggled, this, &DbCheckBox::userToggled);
    refresh();
}

void DbCheckBox::refresh() {
    loading_ = true;
    const engine::Value v = link_.value();
    const bool* on = std::get_if<bool>(&v);
    setChecked(on && *on);
    loading_ = false;
}

void DbCheckBox::userToggled(bool on) {
    if (loading_) return;
    DataSource* source = link_.source();
    const int field = link_.field();
    const bool ok = source && field >= 0 && source->edit() &&
                    source->run([&] { source->table().setAsBoolean(field, on); });
    if (!ok) {
        refresh();
        return;
    }
    source->markUserModified();
    Q_EMIT changed();
}

void DbCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    Q_EMIT exited();
}

// ---------------------------------------------------------------------------------------

DbRadioGroup::DbRadioGroup(DataSource* source, const QString& column, const QString& title,
                           QWidget* parent)
    : QGroupBox(title, parent), link_(source, column), buttons_(new QButtonGroup(this)) {
    buttons_->setExclusive(false);  // so that a value matching no item can uncheck them all
    new QVBoxLayout(this);
    followField(this, source, link_, [this] { refresh(); });
    connect(buttons_, &QButtonGroup::idClicked, this, &DbRadioGroup::userChose);
}

void DbRadioGroup::setItems(const QStringList& items, const QStringList& values) {
    for (QAbstractButton* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    values_ = values.size() == items.size() ? values : items;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        layout()->addWidget(button);
    }
    refresh();
}

int DbRadioGroup::checkedItem() const {
    for (QAbstractButton* b : buttons_->buttons())
        if (b->isChecked()) return buttons_->id(b);
    return -1;
}

void DbRadioGroup::refresh() {
    loading_ = true;
    const QString stored = link_.text();
    for (QAbstractButton* b : buttons_->buttons())
        b->setChecked(link_.canShow() && values_.value(buttons_->id(b)) == stored);
    loading_ = false;
}

void DbRadioGroup::userChose(int item) {
    if (loading_) return;
    if (writeText(link_, values_.value(item))) Q_EMIT changed();
    refresh();
}

// ---------------------------------------------------------------------------------------

DbComboBox::DbComboBox(DataSource* source, const QString& column, bool listOnly, QWidget* parent)
    : QComboBox(parent), link_(source, column), listOnly_(listOnly) {
    setEditable(!listOnly);
    setInsertPolicy(QComboBox::NoInsert);
    followTypedField(this, this, source, link_, pending_, [this] { refresh(); });
    connect(this, &QComboBox::currentTextChanged, this, &DbComboBox::userChanged);
    refresh();
}

DbComboBox::~DbComboBox() {
    if (link_.source()) link_.source()->removePendingEditor(this);
}

void DbComboBox::setItems(const QStringList& items) {
    loading_ = true;
    clear();
    addItems(items);
    loading_ = false;
    refresh();
}

void DbComboBox::refresh() {
    if (pending_) return;
    loading_ = true;
    const QString stored = link_.text();
    if (listOnly_) {
        int at = findText(stored, Qt::MatchExactly);
        if (at < 0 && !stored.isEmpty()) at = findText(stored, Qt::MatchStartsWith);
        setCurrentIndex(at);
    } else if (currentText() != stored) {
        setEditText(stored);
    }
    loading_ = false;
}

void DbComboBox::userChanged(const QString&) {
    if (loading_) return;
    DataSource* source = link_.source();
    pending_ = true;
    if (!source || !source->edit()) {
        pending_ = false;
        refresh();
        return;
    }
    // A choice from the list is complete at once; typed text waits for the exit.
    if (listOnly_ || !hasFocus()) commit();
    Q_EMIT changed();
}

bool DbComboBox::commit() {
    if (!pending_) return true;
    if (!writeText(link_, currentText())) return false;
    pending_ = false;
    refresh();
    return true;
}

void DbComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // The drop-down list takes the focus while it is open; that is not leaving the field.
    if (event->reason() == Qt::PopupFocusReason) return;
    if (commit()) Q_EMIT exited();
}

// ---------------------------------------------------------------------------------------

DbMemo::DbMemo(DataSource* source, const QString& column, QWidget* parent)
    : QPlainTextEdit(parent), link_(source, column) {
    followTypedField(this, this, source, link_, pending_, [this] { refresh(); });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_ || isReadOnly()) return;
        pending_ = true;
        if (!link_.source() || !link_.source()->edit()) {
            pending_ = false;
            refresh();
        }
    });
    refresh();
}

DbMemo::~DbMemo() {
    if (link_.source()) link_.source()->removePendingEditor(this);
}

void DbMemo::refresh() {
    if (pending_) return;
    loading_ = true;
    QString stored = link_.text();
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (toPlainText() != stored) setPlainText(stored);
    loading_ = false;
}

bool DbMemo::commit() {
    if (!pending_) return true;
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    if (!writeText(link_, text)) return false;
    pending_ = false;
    return true;
}

void DbMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (commit()) Q_EMIT exited();
}

}  // namespace lumiro::components
