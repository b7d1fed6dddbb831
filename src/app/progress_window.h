// The small modeless window through which long loops show how far they are.
#pragma once

#include <QWidget>

class QLabel;

namespace lumiro::app {

class Gauge;

class TPRACA : public QWidget {
  public:
    explicit TPRACA(QWidget* parent = nullptr);

    // Shows the window at once, before the caller's loop starts, with an empty gauge of the
    // given maximum. Reusing the window for another operation starts again from 0.
    void Start(const QString& title, int maximum);
    // One unit of work done. The window processes no events by itself; a caller that wants
    // the gauge repainted during its loop lets the event queue run.
    void Postep();
    // Empties the gauge and hides the window, which stays for the next Start.
    void Stop();

    QLabel& Etytul() { return *Etytul_; }
    Gauge& pasek() { return *pasek_; }

  private:
    QLabel* Etytul_;
    Gauge* pasek_;
};

}  // namespace lumiro::app
