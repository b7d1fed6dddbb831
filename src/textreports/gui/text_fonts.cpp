#include "textreports/gui/text_fonts.h"

#include <QStringList>

#include <mutex>

namespace lumiro::textreports {

void installTextFontSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Liberation Mono (Debian fonts-liberation2, which the forms need as well) has the
        // widths of Courier New; DejaVu Sans Mono is on nearly every desktop. Both carry the
        // Polish letters.
        const QStringList monospaced{QStringLiteral("Liberation Mono"),
                                     QStringLiteral("DejaVu Sans Mono")};
        QFont::insertSubstitutions(QStringLiteral("Lucida Console"), monospaced);
        QFont::insertSubstitutions(QStringLiteral("Courier New"), monospaced);
    });
}

QFont textFont(const QString& family, int points) {
    installTextFontSubstitutes();
    QFont font(family);
    font.setPointSize(points);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    // Columns of the text tables must line up on paper as they do in the buffer.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace lumiro::textreports
