// A text that acts like a link: underlined, with a hand cursor, reachable by Tab and
// triggered by a click, Enter or Space. What it opens is its owner's business.
#pragma once

#include <QLabel>

#include <functional>

namespace lumiro::app {

class LinkLabel : public QLabel {
  public:
    explicit LinkLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Nothing set: the label is still drawn as a link, and a click does nothing.
    void setOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }
    // What a click does, for callers that drive the label without an event.
    void click();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::function<void()> onClick_;
};

}  // namespace lumiro::app
