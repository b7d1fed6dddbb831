// A banded report: page set-up, bands and the elements on them, all measured in millimetres.
// A layout builds one Report once and keeps it; every run (generate) asks the hooks anew,
// reads the sources and lays the bands out into pages (document.h) that any device paints.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>

#include "reports/document.h"
#include "reports/value_source.h"

namespace lumiro::reports {

class Band;
class Report;
class TextMeasure;

// A layout that cannot be run as it stands (a field naming a source that was not given).
// The message is for the user.
class ReportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ElementKind {
    Label,       // a fixed caption
    Field,       // the text of a column of a source
    Memo,        // a caption of several lines in a box, wrapped and clipped
    RichText,    // HTML in a box, clipped
    PageNumber,  // the caption with %1 replaced by the page number and %2 by the page count
    Rule,        // a line from the top left corner of the rectangle to its bottom right
    Box,         // a rectangle
};

struct Element {
    ElementKind kind = ElementKind::Label;
    QString name;     // for Report::find; may be empty
    QRectF rect;      // mm from the band's top left corner
    QString caption;  // Label, Memo, PageNumber text; RichText HTML
    QString source;   // Field: the source's name; empty in a sub-detail means the band's rows
    QString field;    // Field: the column
    QFont font;
    // Horizontal and vertical alignment of the text inside rect.
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = false;
    bool clip = false;  // nothing of the text is drawn outside rect
    // The width follows the text, from rect's left edge (the forms' data fields).
    bool growRight = false;
    bool enabled = true;
    // Text that does not fit rect in its font, across or down, is set whole on its lines in
    // the largest smaller size of the same font that fits, never wrapped or cut: the forms'
    // amounts, dates and numbers.
    bool shrinkToFit = false;
    QColor color = Qt::black;  // of the text
    bool frame = false;        // text elements: a ruled cell around rect
    double pen = 0.2;    // mm: frame, rule and box lines
    Qt::PenStyle penStyle = Qt::SolidLine;
    QColor fill;  // Box: the inside; invalid for none

    // Fluent set-up for layouts.
    Element& bold(bool on = true) {
        font.setBold(on);
        return *this;
    }
    Element& withFont(const QFont& f) {
        font = f;
        return *this;
    }
    Element& align(Qt::Alignment a) {
        alignment = a;
        return *this;
    }
    Element& wrapped(bool on = true) {
        wordWrap = on;
        return *this;
    }
    Element& clipped(bool on = true) {
        clip = on;
        return *this;
    }
    Element& shrinkingToFit(bool on = true) {
        shrinkToFit = on;
        return *this;
    }
    Element& framed(double penMm = 0.2) {
        frame = true;
        pen = penMm;
        return *this;
    }
};

enum class BandKind { PageHeader, Title, ColumnHeader, Detail, SubDetail, Summary, PageFooter };

class Band {
  public:
    Band(Report& report, BandKind kind, double heightMm, QString name);
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    BandKind kind() const { return kind_; }
    const QString& name() const { return name_; }
    Report& report() { return report_; }

    double height = 0;  // mm; a hook may change it
    bool enabled = true;
    // Page and column headers: also on the first page; page footers: also on the last one.
    bool onFirstPage = true;
    bool onLastPage = true;
    // Sub-detail: the source whose rows the band repeats over, and whether it prints once
    // with empty cells when there are none.
    QString rowSource;
    bool printWhenEmpty = false;
    // Runs before each printing of the band (before each row of a sub-detail, with the row
    // current); false leaves this printing out. It may change any element of the report.
    std::function<bool(Band&)> beforePrint;

    // Elements take the report's font. Positions are mm from the band's top left corner.
    Element& addLabel(const QString& name, QRectF rect, const QString& caption);
    // Grows to the right from `at`, one line of the report font high.
    Element& addField(const QString& name, QPointF at, const QString& source, const QString& field);
    // A cell of fixed size.
    Element& addField(const QString& name, QRectF rect, const QString& source,
                      const QString& field);
    Element& addMemo(const QString& name, QRectF rect, const QString& text);
    Element& addRichText(const QString& name, QRectF rect, const QString& html);
    Element& addPageNumber(const QString& name, QRectF rect,
                           const QString& format = QStringLiteral("%1"));
    Element& addRule(QPointF from, QPointF to, double penMm = 0.2);
    Element& addBox(QRectF rect, double penMm = 0.2);

    std::deque<Element>& elements() { return elements_; }
    const std::deque<Element>& elements() const { return elements_; }

  private:
    Element& add(Element element);

    Report& report_;
    BandKind kind_;
    QString name_;
    std::deque<Element> elements_;  // a deque, so that layouts may keep references
};

class Report {
  public:
    explicit Report(PageSetup page = {});
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    PageSetup page;
    QFont font;  // for elements added from now on
    // Runs once at the start of every run, before any band hook.
    std::function<void(Report&)> beforePrint;

    // Bands print in the order of their kinds (page header, title, column header, detail,
    // sub-details in the order added, summary, page footer), whatever the order added.
    Band& addBand(BandKind kind, double heightMm, const QString& name = {});
    Band* band(const QString& name);
    // The element of that name on any band, or null.
    Element* find(const QString& name);
    Element& element(const QString& name);  // throws ReportError when there is none

    // Runs the hooks and lays the report out into pages. Throws ReportError when a field
    // or band names a source that `sources` lacks.
    Document generate(const Sources& sources = {});

  private:
    friend class Band;
    friend class Generator;
    void elementAdded() { indexValid_ = false; }

    std::deque<std::unique_ptr<Band>> bands_;
    QHash<QString, Element*> index_;
    bool indexValid_ = false;
    std::unique_ptr<TextMeasure> measure_;
};

}  // namespace lumiro::reports
