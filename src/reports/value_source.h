// Where data fields get their text. A layout names its sources ("TRP7", "TZal"); a run of the
// report is given objects under those names: the data module's current rows in the program,
// fixed values in tests.
#pragma once

#include <QHash>
#include <QString>

#include <vector>

namespace lumiro::reports {

class ValueSource {
  public:
    virtual ~ValueSource() = default;
    // The text of `field` in the current row; empty for an unknown field or an empty column.
    virtual QString text(const QString& field) const = 0;
};

// The rows a sub-detail band repeats over. The report moves it with first() and next() and
// reads text() only while atEnd() is false.
class RowSource : public ValueSource {
  public:
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool atEnd() const = 0;
};

// One row of fixed texts.
class FixedValues : public ValueSource {
  public:
    FixedValues() = default;
    FixedValues(std::initializer_list<std::pair<QString, QString>> values);
    void set(const QString& field, const QString& value) { values_.insert(field, value); }
    QString text(const QString& field) const override { return values_.value(field); }

  private:
    QHash<QString, QString> values_;
};

// Rows of fixed texts, in the order given.
class FixedRows : public RowSource {
  public:
    using Row = QHash<QString, QString>;
    FixedRows() = default;
    explicit FixedRows(std::vector<Row> rows) : rows_(std::move(rows)) {}
    void append(Row row) { rows_.push_back(std::move(row)); }
    std::size_t size() const { return rows_.size(); }

    void first() override { at_ = 0; }
    void next() override {
        if (at_ < rows_.size()) ++at_;
    }
    bool atEnd() const override { return at_ >= rows_.size(); }
    QString text(const QString& field) const override {
        return at_ < rows_.size() ? rows_[at_].value(field) : QString();
    }

  private:
    std::vector<Row> rows_;
    std::size_t at_ = 0;
};

// The sources of one run, by the names the layout uses. The caller keeps them alive for the
// run; the report only reads them and moves the row sources.
class Sources {
  public:
    Sources& add(const QString& name, const ValueSource& source) {
        values_.insert(name, &source);
        return *this;
    }
    Sources& addRows(const QString& name, RowSource& rows) {
        values_.insert(name, &rows);
        rows_.insert(name, &rows);
        return *this;
    }
    const ValueSource* values(const QString& name) const { return values_.value(name); }
    RowSource* rows(const QString& name) const { return rows_.value(name); }

  private:
    QHash<QString, const ValueSource*> values_;
    QHash<QString, RowSource*> rows_;
};

}  // namespace lumiro::reports
