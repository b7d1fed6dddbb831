// The bar that long start-up work moves (the splash window's bar), seen from the data layer,
// which must not know the window that shows it.
#pragma once

namespace lumiro::data {

class ProgressBar {
  public:
    virtual ~ProgressBar() = default;
    virtual void setMaximum(int maximum) = 0;
    // Sets the position and paints at once: no event loop runs during start-up.
    virtual void setPosition(int position) = 0;
    virtual void advance(int step) = 0;
};

}  // namespace lumiro::data
