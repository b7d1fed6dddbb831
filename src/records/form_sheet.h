// What the form pages share: the data sources of the current employee's tables and a small
// builder that lays out a page as a sheet of the printed form (white paper, the form's wording
// in labels, data-aware fields where the form has blanks).
#pragma once

#include <QBoxLayout>
#include <QLabel>
#include <QObject>
#include <QString>

#include <initializer_list>

#include "components/data_controls.h"
#include "components/data_source.h"
#include "records/form_page.h"
#include "records/id_numbers.h"

class QPushButton;

namespace lumiro::components {
class DataGrid;
class DataNavigator;
}  // namespace lumiro::components

namespace lumiro::records {

// One source per table, shared by every page, so that a value typed on one page shows on
// the others at once.
struct FormSources : QObject {
    explicit FormSources(FormPagesContext& context);

    FormPagesContext& context;
    components::DataSource* ZRP7;
    components::DataSource* Zzar;
    components::DataSource* ZZal;
    components::DataSource* Zzal2;
    components::DataSource* ZZal3;
};

// A page with its caption; the pages differ only in what their sheet holds.
class CaptionedPage : public FormPage {
    Q_OBJECT

  public:
    CaptionedPage(const QString& caption, QWidget* parent = nullptr)
        : FormPage(parent), caption_(caption) {}
    QString caption() const override { return caption_; }

  private:
    QString caption_;
};

// Lays out one page top to bottom inside a scroll area.
class FormSheet {
  public:
    FormSheet(FormPage* page, FormSources& sources);

    FormSources& sources() { return sources_; }
    QWidget* paper() { return paper_; }

    // A centred heading of the form, bold, `points` larger than the text.
    QLabel* heading(const QString& text, int points = 2);
    // Wording of the form across the sheet, wrapped.
    QLabel* text(const QString& text, bool bold = false);
    // A small caption under a blank, as the forms print them.
    static QLabel* hint(const QString& text);
    static QLabel* label(const QString& text, bool bold = false);

    // A field for `column` of `source`, `chars` characters wide; `limit` caps what is typed.
    components::DbEdit* edit(components::DataSource* source, const QString& column, int chars,
                             int limit = 0);
    components::DbEdit* employee(const QString& column, int chars, int limit = 0) {
        return edit(sources_.ZRP7, column, chars, limit);
    }
    // The edit with its check-digit indicator beside it.
    QWidget* withIndicator(components::DbEdit* edit, IdNumberKind kind);

    // Widgets and texts side by side, left aligned; a QString becomes a label.
    struct Item {
        Item(QWidget* w) : widget(w) {}
        Item(const QString& t) : text(t) {}
        Item(const char16_t* t) : text(QString::fromUtf16(t)) {}
        QWidget* widget = nullptr;
        QString text;
    };
    QHBoxLayout* line(std::initializer_list<Item> items, int indent = 0);
    // A label above a field, for forms that print their captions over the boxes.
    static QWidget* captioned(const QString& caption, QWidget* field);
    void add(QWidget* widget, int stretch = 0);
    void addLayout(QLayout* layout);
    void space(int pixels = 8);
    // A titled frame; what is added until endSection goes into it.
    QVBoxLayout* section(const QString& title);
    void endSection() { sectionLayout_ = nullptr; }
    // Ends the sheet; pages without a grid keep their fields at the top.
    void finish(bool stretch = true);

    // "INFORMACJA": opens the note, or stays disabled when no information window exists.
    QPushButton* informationButton(InformationNote note, const QString& objectName);
    // A grid with the full navigator and its hints, above the grid.
    components::DataGrid* grid(components::DataSource* source, const QString& objectName,
                               components::DataNavigator** navigator = nullptr);

  private:
    QBoxLayout* target();

    FormPage* page_;
    FormSources& sources_;
    QWidget* paper_;
    QVBoxLayout* layout_;
    QVBoxLayout* sectionLayout_ = nullptr;
};

// Page builders, one per form.
std::vector<FormPage*> createKp1Pages(FormSources& sources);
FormPage* createRp6Page(FormSources& sources);
std::vector<FormPage*> createRp7Pages(FormSources& sources);
FormPage* createAttachmentPage(FormSources& sources);
FormPage* createCertificatePage(FormSources& sources);

// Writes `text` into a text column of the table's current row, cut to the column's size so
// that a long combination of names never fails the row.
void setColumnText(engine::Table& table, const char* column, const QString& text);
QString columnText(engine::Table& table, const char* column);

}  // namespace lumiro::records
