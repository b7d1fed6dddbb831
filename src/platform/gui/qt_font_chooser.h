// The font dialog on screen.
#pragma once

#include "platform/font_chooser.h"

namespace lumiro::platform {

// Qt's font dialog. It offers no colour, so the colour of `initial` is kept.
class QtFontChooser : public FontChooser {
  public:
    std::optional<FontChoice> choose(const FontChoice& initial) override;
};

}  // namespace lumiro::platform
