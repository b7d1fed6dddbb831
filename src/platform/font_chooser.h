// The font dialog behind an interface, so that tests can answer it like a message box.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumiro::platform {

// A printout font as the program stores it: Windows colour value (0x00BBGGRR) and the style
// bits bold 1, italic 2, underline 4, strike-out 8.
struct FontChoice {
    QString name;
    int size = 0;
    std::uint32_t color = 0;
    std::uint8_t style = 0;

    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

class FontChooser {
  public:
    virtual ~FontChooser() = default;
    // Shows the dialog initialised with `initial`; nothing when the user cancels.
    virtual std::optional<FontChoice> choose(const FontChoice& initial) = 0;
};

// Test double: answers with a fixed choice (or a cancel) and remembers what it was shown.
class ScriptedFontChooser : public FontChooser {
  public:
    explicit ScriptedFontChooser(std::optional<FontChoice> answer) : answer_(std::move(answer)) {}
    std::optional<FontChoice> choose(const FontChoice& initial) override {
        shown_.push_back(initial);
        return answer_;
    }
    const std::vector<FontChoice>& shown() const { return shown_; }

  private:
    std::optional<FontChoice> answer_;
    std::vector<FontChoice> shown_;
};

}  // namespace lumiro::platform
