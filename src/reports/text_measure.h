// Text metrics of the layout, taken on one reference device of 1200 dots per inch whatever
// device prints the pages: the printer, the preview and PDF get the same line breaks and the
// same positions. Fonts are measured once per report and kept.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QPaintDevice;
class QTextDocument;

namespace lumiro::reports {

constexpr double kReferenceDpi = 1200;
constexpr double kReferenceDotsPerMm = kReferenceDpi / 25.4;

// A device that only answers metrics questions, at kReferenceDpi. Needs a QGuiApplication.
const QPaintDevice* referenceDevice();

class TextMeasure {
  public:
    struct Metrics {
        QFont font;
        QFontMetricsF metrics;
        double ascent;      // mm
        double lineHeight;  // mm, baseline to baseline
    };

    // The font's measuring entry; the id stays valid for the life of the object.
    int fontId(const QFont& font);
    const Metrics& metrics(int id) const { return fonts_[std::size_t(id)]; }
    double width(int id, const QString& text) const;  // mm

    // The lines of `text` as printed in a box `widthMm` wide: broken at line feeds, and
    // when `wrap` is set also at word boundaries (inside a word that alone is too wide).
    // Trailing spaces are dropped from every line.
    const QStringList& lines(int id, const QString& text, double widthMm, bool wrap);

    // `html` laid out at `widthMm` on the reference device with `font` as its default.
    std::shared_ptr<QTextDocument> richText(int id, const QString& html, double widthMm);

  private:
    struct LinesKey {
        QString text;
        int font;
        qint64 width;  // µm
        bool wrap;
        friend bool operator==(const LinesKey&, const LinesKey&) = default;
        friend size_t qHash(const LinesKey& k, size_t seed = 0) {
            return qHashMulti(seed, k.text, k.font, k.width, k.wrap);
        }
    };

    std::vector<Metrics> fonts_;
    QHash<QFont, int> fontIds_;
    QHash<LinesKey, QStringList> lines_;
    QHash<LinesKey, std::shared_ptr<QTextDocument>> richTexts_;
};

}  // namespace lumiro::reports
