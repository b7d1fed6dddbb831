// Column titles of several lines, with group titles spanning neighbouring columns painted in
// a band above them. Titles wrap at blanks to the column width; a title of a column outside
// every group takes the band's height as well.
#pragma once

#include <QHeaderView>
#include <QString>
#include <QVector>

namespace lumiro::components {

class GroupedHeaderView : public QHeaderView {
    Q_OBJECT

  public:
    explicit GroupedHeaderView(QWidget* parent = nullptr);

    // Groups must not overlap; a later group replaces the groups it overlaps.
    void setGroup(int firstSection, int lastSection, const QString& title);
    void clearGroups();
    // The group title over a section, empty when it has none.
    QString groupTitle(int section) const;
    // At least this many lines of titles, whatever the texts.
    void setMinimumTitleLines(int lines);

    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Group {
        int first;
        int last;
        QString title;
    };
    const Group* groupOf(int section) const;
    int bandHeight() const;
    int titleHeight() const;
    QString title(int section) const;
    void paintCell(QPainter* painter, const QRect& rect, const QString& text, int section,
                   bool band) const;

    QVector<Group> groups_;
    int minimumLines_ = 1;
};

}  // namespace lumiro::components
