#include "components/page_control.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include <algorithm>

namespace lumiro::components {

// ---------------------------------------------------------------------------------------------
// TabRows

TabRows::TabRows(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int TabRows::addTab(const QString& text) {
    tabs_.push_back({text, true});
    invalidate();
    const int index = count() - 1;
    if (current_ < 0) setCurrentIndex(index);
    return index;
}

QString TabRows::tabText(int index) const {
    return index >= 0 && index < count() ? tabs_[std::size_t(index)].text : QString();
}

void TabRows::setTabText(int index, const QString& text) {
    if (index < 0 || index >= count() || tabs_[std::size_t(index)].text == text) return;
    tabs_[std::size_t(index)].text = text;
    invalidate();
}

bool TabRows::isTabVisible(int index) const {
    return index >= 0 && index < count() && tabs_[std::size_t(index)].visible;
}

void TabRows::setTabVisible(int index, bool visible) {
    if (index < 0 || index >= count() || tabs_[std::size_t(index)].visible == visible) return;
    tabs_[std::size_t(index)].visible = visible;
    invalidate();
    if (visible && current_ < 0) {
        setCurrentIndex(index);
    } else if (!visible && index == current_) {
        // As a tab widget does: the next page takes its place, else the one before.
        int next = neighbour(index, true, false);
        if (next < 0) next = neighbour(index, false, false);
        current_ = -1;
        if (next >= 0)
            setCurrentIndex(next);
        else
            Q_EMIT currentChanged(-1);
    }
}

void TabRows::setCurrentIndex(int index) {
    if (!isTabVisible(index) || index == current_) return;
    current_ = index;
    update();
    Q_EMIT currentChanged(index);
}

int TabRows::neighbour(int from, bool forward, bool wrap) const {
    const int n = count();
    if (n == 0) return -1;
    int at = from;
    for (int step = 0; step < n; ++step) {
        at += forward ? 1 : -1;
        if (at < 0 || at >= n) {
            if (!wrap) return -1;
            at = (at + n) % n;
        }
        if (at == from) return -1;
        if (tabs_[std::size_t(at)].visible) return at;
    }
    return -1;
}

int TabRows::tabWidthHint(int index) const {
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.text = tabText(index);
    const QFontMetrics metrics(font());
    const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize text = metrics.size(Qt::TextShowMnemonic, option.text);
    const QSize size(text.width() + hspace, std::max(metrics.height(), text.height()) + vspace);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, size, this).width();
}

int TabRows::rowHeight() const {
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.text = QStringLiteral("Xg");
    const QFontMetrics metrics(font());
    const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize size(metrics.horizontalAdvance(option.text) + hspace, metrics.height() + vspace);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, size, this).height();
}

TabRows::Layout TabRows::computeLayout(int width) const {
    Layout out;
    out.width = width;
    out.rects.assign(tabs_.size(), QRect());
    out.row.assign(tabs_.size(), -1);
    const int height = rowHeight();
    std::vector<int> widths(tabs_.size(), 0);
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        if (!tabs_[std::size_t(i)].visible) continue;
        widths[std::size_t(i)] = tabWidthHint(i);
        widest = std::max(widest, widths[std::size_t(i)]);
    }
    // Rows of tab indexes, each holding as many as fit in `limit`; a tab wider than that
    // stands alone.
    const auto pack = [&](int limit) {
        std::vector<std::vector<int>> rows;
        int used = 0;
        for (int i = 0; i < count(); ++i) {
            if (!tabs_[std::size_t(i)].visible) continue;
            const int w = widths[std::size_t(i)];
            if (rows.empty() || (used + w > limit && !rows.back().empty())) {
                rows.emplace_back();
                used = 0;
            }
            rows.back().push_back(i);
            used += w;
        }
        return rows;
    };
    std::vector<std::vector<int>> rows = pack(width);
    if (rows.size() > 1) {
        // As few rows as the width allows, filled evenly: the narrowest limit that needs no
        // more rows. A last row holding one stretched tab would look like a title.
        int low = widest;
        int high = std::max(widest, width);
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (pack(middle).size() <= rows.size())
                high = middle;
            else
                low = middle + 1;
        }
        rows = pack(high);
    }
    out.rows = int(rows.size());
    for (int r = 0; r < out.rows; ++r) {
        const std::vector<int>& row = rows[std::size_t(r)];
        int natural = 0;
        for (int i : row) natural += widths[std::size_t(i)];
        // More than one row: every row fills the width, the spare room shared out evenly.
        const int spare = out.rows > 1 ? std::max(0, width - natural) : 0;
        const int share = row.empty() ? 0 : spare / int(row.size());
        int remainder = row.empty() ? 0 : spare % int(row.size());
        int x = 0;
        for (int i : row) {
            int w = widths[std::size_t(i)] + share;
            if (remainder > 0) {
                ++w;
                --remainder;
            }
            out.rects[std::size_t(i)] = QRect(x, 0, w, height);
            out.row[std::size_t(i)] = r;
            x += w;
        }
    }
    return out;
}

const TabRows::Layout& TabRows::layout() const {
    if (layout_.width != width()) layout_ = computeLayout(width());
    return layout_;
}

void TabRows::invalidate() {
    layout_.width = -1;
    updateGeometry();
    update();
    Q_EMIT geometryChanged();
}

int TabRows::rowCount() const {
    return layout().rows;
}

int TabRows::rowOf(int index) const {
    if (index < 0 || index >= count()) return -1;
    return layout().row[std::size_t(index)];
}

int TabRows::visualRowOf(int index) const {
    const int row = rowOf(index);
    const int rows = rowCount();
    if (row < 0) return -1;
    const int currentRow = current_ >= 0 ? rowOf(current_) : 0;
    // Counted from the page upwards: the current tab's row, then the rows after it, wrapping.
    const int fromPage = (row - std::max(0, currentRow) + rows) % rows;
    return rows - 1 - fromPage;
}

QRect TabRows::tabRect(int index) const {
    const int visual = visualRowOf(index);
    if (visual < 0) return {};
    QRect rect = layout().rects[std::size_t(index)];
    rect.moveTop(visual * rect.height());
    return rect;
}

int TabRows::tabAt(const QPoint& position) const {
    for (int i = 0; i < count(); ++i)
        if (tabRect(i).contains(position)) return i;
    return -1;
}

int TabRows::heightForWidth(int width) const {
    const int rows = computeLayout(width).rows;
    return std::max(1, rows) * rowHeight();
}

QSize TabRows::sizeHint() const {
    int width = 0;
    for (int i = 0; i < count(); ++i)
        if (tabs_[std::size_t(i)].visible) width += tabWidthHint(i);
    return {width, rowHeight()};
}

QSize TabRows::minimumSizeHint() const {
    int width = 0;
    for (int i = 0; i < count(); ++i)
        if (tabs_[std::size_t(i)].visible) width = std::max(width, tabWidthHint(i));
    return {width, rowHeight()};
}

void TabRows::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const Layout& rows = layout();
    auto draw = [&](int i) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        option.shape = QTabBar::RoundedNorth;
        option.text = tabs_[std::size_t(i)].text;
        option.rect = tabRect(i);
        option.row = visualRowOf(i);
        const int row = rows.row[std::size_t(i)];
        int previous = -1;
        int next = -1;
        for (int j = i - 1; j >= 0 && previous < 0; --j)
            if (rows.row[std::size_t(j)] == row)
                previous = j;
            else if (rows.row[std::size_t(j)] >= 0)
                break;
        for (int j = i + 1; j < count() && next < 0; ++j)
            if (rows.row[std::size_t(j)] == row)
                next = j;
            else if (rows.row[std::size_t(j)] >= 0)
                break;
        option.position = previous < 0 && next < 0 ? QStyleOptionTab::OnlyOneTab
                          : previous < 0           ? QStyleOptionTab::Beginning
                          : next < 0               ? QStyleOptionTab::End
                                                   : QStyleOptionTab::Middle;
        option.selectedPosition =
            current_ >= 0 && current_ == previous ? QStyleOptionTab::PreviousIsSelected
            : current_ >= 0 && current_ == next   ? QStyleOptionTab::NextIsSelected
                                                  : QStyleOptionTab::NotAdjacent;
        if (i == current_) {
            option.state |= QStyle::State_Selected;
            if (hasFocus()) option.state |= QStyle::State_HasFocus;
        }
        if (i == hover_ && isEnabled()) option.state |= QStyle::State_MouseOver;
        painter.drawControl(QStyle::CE_TabBarTab, option);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = option.rect.adjusted(4, 4, -4, -3);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    };
    for (int i = 0; i < count(); ++i)
        if (i != current_ && rows.row[std::size_t(i)] >= 0) draw(i);
    // The current tab last: it opens onto the page over its neighbours' edges.
    if (current_ >= 0) draw(current_);
}

void TabRows::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const int index = tabAt(event->position().toPoint());
    if (index >= 0) setCurrentIndex(index);
}

void TabRows::mouseMoveEvent(QMouseEvent* event) {
    const int index = tabAt(event->position().toPoint());
    if (index != hover_) {
        hover_ = index;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void TabRows::leaveEvent(QEvent* event) {
    if (hover_ >= 0) {
        hover_ = -1;
        update();
    }
    QWidget::leaveEvent(event);
}

void TabRows::keyPressEvent(QKeyEvent* event) {
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        event->ignore();
        return;
    }
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            target = neighbour(current_, false, false);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            target = neighbour(current_, true, false);
            break;
        case Qt::Key_Home:
            target = neighbour(-1, true, false);
            break;
        case Qt::Key_End:
            target = neighbour(count(), false, false);
            break;
        default:
            event->ignore();
            return;
    }
    if (target >= 0) setCurrentIndex(target);
}

// The current tab shows whether the row has the focus.
void TabRows::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TabRows::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void TabRows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout_.width = -1;
}

void TabRows::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) invalidate();
}

// ---------------------------------------------------------------------------------------------
// PageControl

PageControl::PageControl(QWidget* parent)
    : QWidget(parent), bar_(new TabRows(this)), stack_(new QStackedWidget(this)) {
    connect(bar_, &TabRows::currentChanged, this, [this](int index) {
        if (index >= 0) stack_->setCurrentIndex(index);
        // The row of the new tab moved down to the page.
        update();
        Q_EMIT currentChanged(index);
    });
    connect(bar_, &TabRows::geometryChanged, this, [this] {
        updateGeometry();
        arrange();
    });
    struct Key {
        QKeyCombination keys;
        bool forward;
    };
    // Ctrl+Shift+Tab arrives as Backtab and is matched against this sequence by Qt.
    for (const Key& key :
         {Key{Qt::CTRL | Qt::Key_Tab, true}, Key{Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, false},
          Key{Qt::CTRL | Qt::Key_PageDown, true}, Key{Qt::CTRL | Qt::Key_PageUp, false}}) {
        auto* shortcut = new QShortcut(QKeySequence(key.keys), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, forward = key.forward] { selectNextPage(forward); });
    }
}

int PageControl::addTab(QWidget* page, const QString& caption) {
    stack_->addWidget(page);
    return bar_->addTab(caption);
}

int PageControl::count() const {
    return bar_->count();
}

int PageControl::currentIndex() const {
    return bar_->currentIndex();
}

void PageControl::setCurrentIndex(int index) {
    bar_->setCurrentIndex(index);
}

QWidget* PageControl::currentWidget() const {
    return widget(currentIndex());
}

QWidget* PageControl::widget(int index) const {
    return stack_->widget(index);
}

int PageControl::indexOf(const QWidget* page) const {
    return stack_->indexOf(page);
}

void PageControl::setTabVisible(int index, bool visible) {
    bar_->setTabVisible(index, visible);
}

void PageControl::selectNextPage(bool forward) {
    const int target = bar_->neighbour(currentIndex(), forward, true);
    if (target >= 0) setCurrentIndex(target);
}

bool PageControl::focusCurrentPage() {
    QWidget* page = currentWidget();
    if (!page) return false;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w)) continue;
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() &&
            w->isVisibleTo(page) && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

int PageControl::frameWidth() const {
    return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
}

QRect PageControl::frameRect() const {
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = std::max(0, bar_->height() - overlap);
    return QRect(0, top, width(), height() - top);
}

void PageControl::arrange() {
    bar_->setGeometry(0, 0, width(), bar_->heightForWidth(width()));
    const int frame = frameWidth();
    stack_->setGeometry(frameRect().adjusted(frame, frame, -frame, -frame));
    bar_->raise();
    update();
}

void PageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void PageControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) arrange();
}

void PageControl::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = frameRect();
    option.shape = QTabBar::RoundedNorth;
    option.lineWidth = frameWidth();
    option.tabBarRect = bar_->geometry();
    option.tabBarSize = bar_->size();
    if (currentIndex() >= 0) option.selectedTabRect = bar_->tabRect(currentIndex());
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

QSize PageControl::sizeHint() const {
    const int frame = frameWidth();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const QSize pages = stack_->sizeHint();
    const int width = std::max(pages.width() + 2 * frame, bar_->minimumSizeHint().width());
    return {width, bar_->heightForWidth(width) - overlap + pages.height() + 2 * frame};
}

QSize PageControl::minimumSizeHint() const {
    const int frame = frameWidth();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const QSize pages = stack_->minimumSizeHint();
    const int width = std::max(pages.width() + 2 * frame, bar_->minimumSizeHint().width());
    return {width, bar_->heightForWidth(width) - overlap + pages.height() + 2 * frame};
}

}  // namespace lumiro::components
