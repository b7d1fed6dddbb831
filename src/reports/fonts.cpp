#include "reports/fonts.h"

#include <mutex>

namespace lumiro::reports {

void installFontSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Debian's fonts-liberation2; the older fonts-liberation names them the same.
        const QString serif = QStringLiteral("Liberation Serif");
        const QString sans = QStringLiteral("Liberation Sans");
        QFont::insertSubstitution(QStringLiteral("Times New Roman"), serif);
        QFont::insertSubstitution(QStringLiteral("Times"), serif);
        QFont::insertSubstitution(QStringLiteral("Arial"), sans);
        QFont::insertSubstitution(QStringLiteral("Helvetica"), sans);
    });
}

QFont formFont(const QString& family, double pixels, bool bold) {
    installFontSubstitutes();
    QFont font(family);
    font.setPointSizeF(pixelsToPoints(pixels));
    font.setBold(bold);
    // Kerning would make texts narrower than the form's fields were measured for.
    font.setKerning(false);
    // Hinting snaps glyphs to the device's pixel grid; on paper and in PDF the outlines must
    // keep their design widths, so that every device breaks the lines alike.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace lumiro::reports
