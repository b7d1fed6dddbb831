// The window shown while the data are being opened. No event loop runs yet, so it paints
// only when told to.
#pragma once

#include <QImage>
#include <QWidget>

class QProgressBar;

namespace lumiro::app {

class Tzero : public QWidget {
  public:
    // Without a picture the window keeps its layout and shows an empty area.
    explicit Tzero(const QImage& picture, QWidget* parent = nullptr);

    // The compiled-in splash picture; a picture that fails to decode is reported on stderr
    // and left out, because start-up must not stop for artwork.
    static QImage defaultPicture();

    QProgressBar& budowa() { return *budowa_; }
    // Moves the bar on by `step`, stopping at its maximum, and paints it at once.
    void advance(int step);
    // Shows the window and paints it immediately.
    void showNow();

  private:
    QProgressBar* budowa_;
};

}  // namespace lumiro::app
