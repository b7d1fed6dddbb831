// A progress gauge that prints its percentage across the bar, readable over both the filled
// and the empty part, and that keeps its progress inside the range.
#pragma once

#include <QWidget>

namespace lumiro::app {

class Gauge : public QWidget {
  public:
    explicit Gauge(QWidget* parent = nullptr);

    // A maximum below the minimum is taken as equal to it.
    void setRange(int minimum, int maximum);
    void setProgress(int progress);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int progress() const { return progress_; }
    // 0 for an empty range.
    int percentDone() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int minimum_ = 0;
    int maximum_ = 100;
    int progress_ = 0;
};

}  // namespace lumiro::app
