#include "platform/gui/qt_font_chooser.h"

#include <QApplication>
#include <QFont>
#include <QFontDialog>

namespace lumiro::platform {

std::optional<FontChoice> QtFontChooser::choose(const FontChoice& initial) {
    QFont font(initial.name);
    if (initial.size > 0) font.setPointSize(initial.size);
    font.setBold(initial.style & 1);
    font.setItalic(initial.style & 2);
    font.setUnderline(initial.style & 4);
    font.setStrikeOut(initial.style & 8);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, QApplication::activeWindow());
    if (!ok) return std::nullopt;
    FontChoice result;
    result.name = chosen.family();
    result.size = chosen.pointSize();
    result.color = initial.color;
    result.style = std::uint8_t((chosen.bold() ? 1 : 0) | (chosen.italic() ? 2 : 0) |
                                (chosen.underline() ? 4 : 0) | (chosen.strikeOut() ? 8 : 0));
    return result;
}

}  // namespace lumiro::platform
