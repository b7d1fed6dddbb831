#include "components/grouped_header.h"

#include <QAbstractItemModel>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace lumiro::components {

namespace {
constexpr int kPadding = 3;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
}  // namespace

GroupedHeaderView::GroupedHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
    // Wrapped titles grow and shrink with the columns.
    connect(this, &QHeaderView::sectionResized, this, [this] {
        updateGeometry();
        Q_EMIT geometriesChanged();
        viewport()->update();
    });
}

void GroupedHeaderView::setGroup(int firstSection, int lastSection, const QString& title) {
    if (lastSection < firstSection) std::swap(firstSection, lastSection);
    groups_.erase(std::remove_if(groups_.begin(), groups_.end(),
                                 [&](const Group& g) {
                                     return g.first <= lastSection && firstSection <= g.last;
                                 }),
                  groups_.end());
    groups_.push_back({firstSection, lastSection, title});
    updateGeometry();
    Q_EMIT geometriesChanged();
    viewport()->update();
}

void GroupedHeaderView::clearGroups() {
    groups_.clear();
    updateGeometry();
    Q_EMIT geometriesChanged();
    viewport()->update();
}

QString GroupedHeaderView::groupTitle(int section) const {
    const Group* g = groupOf(section);
    return g ? g->title : QString();
}

void GroupedHeaderView::setMinimumTitleLines(int lines) {
    minimumLines_ = std::max(1, lines);
    updateGeometry();
    Q_EMIT geometriesChanged();
}

const GroupedHeaderView::Group* GroupedHeaderView::groupOf(int section) const {
    for (const Group& g : groups_)
        if (section >= g.first && section <= g.last) return &g;
    return nullptr;
}

QString GroupedHeaderView::title(int section) const {
    return model() ? model()->headerData(section, orientation(), Qt::DisplayRole).toString()
                   : QString();
}

int GroupedHeaderView::bandHeight() const {
    if (groups_.isEmpty()) return 0;
    const QFontMetrics fm(font());
    int h = fm.height();
    for (const Group& g : groups_) {
        int width = 0;
        for (int s = g.first; s <= g.last; ++s) width += sectionSize(s);
        const QRect r = fm.boundingRect(QRect(0, 0, std::max(10, width - 2 * kPadding), 10000),
                                        kTextFlags, g.title);
        h = std::max(h, r.height());
    }
    return h + 2 * kPadding;
}

int GroupedHeaderView::titleHeight() const {
    const QFontMetrics fm(font());
    int h = fm.lineSpacing() * minimumLines_;
    const int sections = model() ? count() : 0;
    for (int s = 0; s < sections; ++s) {
        if (isSectionHidden(s)) continue;
        const QRect r = fm.boundingRect(
            QRect(0, 0, std::max(10, sectionSize(s) - 2 * kPadding), 10000), kTextFlags, title(s));
        // A title outside every group may use the band's height too, but must not need more.
        h = std::max(h, groupOf(s) || groups_.isEmpty() ? r.height() : r.height() - bandHeight());
    }
    return h + 2 * kPadding;
}

QSize GroupedHeaderView::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(bandHeight() + titleHeight());
    return size;
}

void GroupedHeaderView::paintCell(QPainter* painter, const QRect& rect, const QString& text,
                                  int section, bool band) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = section;
    option.text.clear();
    option.position = QStyleOptionHeader::Middle;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->setPen(palette().color(QPalette::ButtonText));
    QFont f = font();
    if (band) f.setBold(false);
    painter->setFont(f);
    painter->drawText(rect.adjusted(kPadding, kPadding, -kPadding, -kPadding), kTextFlags, text);
    painter->restore();
}

void GroupedHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    QRect cell = rect;
    // Grouped titles leave the top band to the group, painted over the whole span later.
    if (groupOf(logicalIndex)) cell.setTop(rect.top() + bandHeight());
    paintCell(painter, cell, title(logicalIndex), logicalIndex, false);
}

void GroupedHeaderView::paintEvent(QPaintEvent* event) {
    QHeaderView::paintEvent(event);
    if (groups_.isEmpty() || !model()) return;
    QPainter painter(viewport());
    const int band = bandHeight();
    for (const Group& g : groups_) {
        if (g.first >= count()) continue;
        const int last = std::min(g.last, count() - 1);
        const int left = sectionViewportPosition(g.first);
        const int right = sectionViewportPosition(last) + sectionSize(last);
        const QRect r(left, 0, right - left, band);
        if (r.intersects(event->rect())) paintCell(&painter, r, g.title, g.first, true);
    }
}

}  // namespace lumiro::components
