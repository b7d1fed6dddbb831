// The system printer as the line engine sees it: pages of a known height on which text is
// drawn at positions in device dots. The painting itself lives with the on-screen part, so
// that the engine needs nothing beyond Qt Core.
#pragma once

#include <QString>

namespace lumiro::textreports {

class PageCanvas {
  public:
    virtual ~PageCanvas() = default;

    // Starts the job; false when it cannot start, with failure() saying why.
    virtual bool begin(const QString& title) = 0;
    // Device dots to the inch, vertically.
    virtual double dotsPerInch() const = 0;
    // The height of the area that can be printed on, in device dots.
    virtual int pageHeight() const = 0;
    virtual bool newPage() = 0;
    // Text whose line box has its top at y, in the monospaced printout font of that size.
    virtual void drawText(int x, int y, int points, const QString& text) = 0;
    // Ends the job and hands it to the printer; false when it was not taken.
    virtual bool end() = 0;
    // For the user, in Polish.
    virtual QString failure() const = 0;
};

}  // namespace lumiro::textreports
