// A page control whose tabs wrap into as many rows as its width needs, as the multi-line tab
// controls of desktop toolkits do.
//
// Tabs are laid out left to right in their order, in as few rows as the width allows, the
// rows filled evenly; when there is more than one row every row is stretched to the full
// width. The rows keep their order
// as a ring: the row that holds the current tab sits next to the page, the rows after it are
// stacked above it in turn, then the rows before it. So with the first tab current the first
// row is at the bottom and the last row at the top; choosing a tab of another row brings that
// row down to the page.
//
// Keys: Ctrl+Tab and Ctrl+PgDn choose the next page, Ctrl+Shift+Tab and Ctrl+PgUp the previous
// one (both wrap around), from anywhere inside the page control. The tab row takes the focus
// by Tab; there Left/Up and Right/Down choose the neighbouring page and Home/End the first and
// last page. Hidden tabs are skipped by every key.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QStackedWidget;

namespace lumiro::components {

class TabRows : public QWidget {
    Q_OBJECT

  public:
    explicit TabRows(QWidget* parent = nullptr);

    int addTab(const QString& text);
    int count() const { return int(tabs_.size()); }
    QString tabText(int index) const;
    void setTabText(int index, const QString& text);
    bool isTabVisible(int index) const;
    void setTabVisible(int index, bool visible);

    // -1 only while there is no visible tab.
    int currentIndex() const { return current_; }
    void setCurrentIndex(int index);
    // The next (or previous) visible tab after the current one, wrapping around; -1 if none.
    int neighbour(int from, bool forward, bool wrap) const;

    // Rows at the present width, and where a tab stands: its row in tab order (0 holds the
    // first tab) and its row on screen (0 is the top row, rowCount() - 1 the one by the page).
    int rowCount() const;
    int rowOf(int index) const;
    int visualRowOf(int index) const;
    QRect tabRect(int index) const;
    int tabAt(const QPoint& position) const;
    // The width a tab needs to show its whole caption.
    int tabWidthHint(int index) const;
    int rowHeight() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // All tabs in one row.
    QSize sizeHint() const override;
    // The widest tab alone.
    QSize minimumSizeHint() const override;

  Q_SIGNALS:
    void currentChanged(int index);
    // The number of rows a width gives may have changed (tabs added, shown, renamed, restyled).
    void geometryChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Tab {
        QString text;
        bool visible = true;
    };
    struct Layout {
        int width = -1;
        int rows = 0;
        std::vector<QRect> rects;  // empty rect for a hidden tab
        std::vector<int> row;      // row in tab order, -1 for a hidden tab
    };
    const Layout& layout() const;
    Layout computeLayout(int width) const;
    void invalidate();

    std::vector<Tab> tabs_;
    int current_ = -1;
    int hover_ = -1;
    mutable Layout layout_;
};

class PageControl : public QWidget {
    Q_OBJECT

  public:
    explicit PageControl(QWidget* parent = nullptr);

    // The page is owned by the control from then on.
    int addTab(QWidget* page, const QString& caption);
    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QWidget* currentWidget() const;
    QWidget* widget(int index) const;
    int indexOf(const QWidget* page) const;
    QString tabText(int index) const { return bar_->tabText(index); }
    void setTabText(int index, const QString& text) { bar_->setTabText(index, text); }
    bool isTabVisible(int index) const { return bar_->isTabVisible(index); }
    void setTabVisible(int index, bool visible);
    TabRows* tabBar() const { return bar_; }

    // The page after (or before) the current one, wrapping around; what Ctrl+Tab does.
    void selectNextPage(bool forward);
    // Gives the focus to the first control of the current page that Tab stops at; false when
    // the page has none.
    bool focusCurrentPage();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  Q_SIGNALS:
    void currentChanged(int index);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void arrange();
    int frameWidth() const;
    QRect frameRect() const;

    TabRows* bar_;
    QStackedWidget* stack_;
};

}  // namespace lumiro::components
