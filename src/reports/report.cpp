#include "reports/report.h"

#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cmath>

#include "reports/fonts.h"
#include "reports/text_measure.h"

namespace lumiro::reports {

namespace {

// Layout comparisons in mm: a band that ends within a micrometre of the bottom still fits.
constexpr double kEpsilon = 0.001;

}  // namespace

Band::Band(Report& report, BandKind kind, double heightMm, QString name)
    : height(heightMm), report_(report), kind_(kind), name_(std::move(name)) {}

Element& Band::add(Element element) {
    element.font = report_.font;
    elements_.push_back(std::move(element));
    report_.elementAdded();
    return elements_.back();
}

Element& Band::addLabel(const QString& name, QRectF rect, const QString& caption) {
    Element e;
    e.kind = ElementKind::Label;
    e.name = name;
    e.rect = rect;
    e.caption = caption;
    return add(std::move(e));
}

Element& Band::addField(const QString& name, QPointF at, const QString& source,
                        const QString& field) {
    Element& e = addField(name, QRectF(at, QSizeF(0, 0)), source, field);
    e.growRight = true;
    // One line of the font the field has now; a layout that changes the font afterwards and
    // draws a frame sets the height itself.
    e.rect.setHeight(QFontMetricsF(e.font, referenceDevice()).lineSpacing() / kReferenceDotsPerMm);
    return e;
}

Element& Band::addField(const QString& name, QRectF rect, const QString& source,
                        const QString& field) {
    Element e;
    e.kind = ElementKind::Field;
    e.name = name;
    e.rect = rect;
    e.source = source;
    e.field = field;
    return add(std::move(e));
}

Element& Band::addMemo(const QString& name, QRectF rect, const QString& text) {
    Element e;
    e.kind = ElementKind::Memo;
    e.name = name;
    e.rect = rect;
    e.caption = text;
    e.wordWrap = true;
    e.clip = true;
    return add(std::move(e));
}

Element& Band::addRichText(const QString& name, QRectF rect, const QString& html) {
    Element e;
    e.kind = ElementKind::RichText;
    e.name = name;
    e.rect = rect;
    e.caption = html;
    e.wordWrap = true;
    e.clip = true;
    return add(std::move(e));
}

Element& Band::addPageNumber(const QString& name, QRectF rect, const QString& format) {
    Element e;
    e.kind = ElementKind::PageNumber;
    e.name = name;
    e.rect = rect;
    e.caption = format;
    return add(std::move(e));
}

Element& Band::addRule(QPointF from, QPointF to, double penMm) {
    Element e;
    e.kind = ElementKind::Rule;
    e.rect = QRectF(from, to);
    e.pen = penMm;
    return add(std::move(e));
}

Element& Band::addBox(QRectF rect, double penMm) {
    Element e;
    e.kind = ElementKind::Box;
    e.rect = rect;
    e.pen = penMm;
    return add(std::move(e));
}

Report::Report(PageSetup pageSetup)
    : page(pageSetup), font(timesFont(11)), measure_(std::make_unique<TextMeasure>()) {}

Report::~Report() = default;

Band& Report::addBand(BandKind kind, double heightMm, const QString& name) {
    bands_.push_back(std::make_unique<Band>(*this, kind, heightMm, name));
    return *bands_.back();
}

Band* Report::band(const QString& name) {
    for (auto& b : bands_)
        if (b->name() == name) return b.get();
    return nullptr;
}

Element* Report::find(const QString& name) {
    if (!indexValid_) {
        index_.clear();
        for (auto& b : bands_)
            for (Element& e : b->elements())
                if (!e.name.isEmpty() && !index_.contains(e.name)) index_.insert(e.name, &e);
        indexValid_ = true;
    }
    return index_.value(name);
}

Element& Report::element(const QString& name) {
    if (Element* e = find(name)) return *e;
    throw ReportError("Wydruk nie ma pola „" + name.toStdString() + "”.");
}

// One run of a report: places the bands on pages top to bottom.
class Generator {
  public:
    Generator(Report& report, const Sources& sources)
        : report_(report), sources_(sources), measure_(*report.measure_) {
        for (auto& b : report.bands_) byKind_[std::size_t(b->kind())].push_back(b.get());
    }

    Document run() {
        checkSources();
        startPage(true);
        for (Band* b : bands(BandKind::Title)) place(*b);
        for (Band* b : bands(BandKind::ColumnHeader))
            if (b->onFirstPage) place(*b, true);
        for (Band* b : bands(BandKind::Detail)) place(*b);
        for (Band* b : bands(BandKind::SubDetail)) runRows(*b);
        for (Band* b : bands(BandKind::Summary)) place(*b);
        finishPage(true);
        numberPages();
        return std::move(document_);
    }

  private:
    struct PendingCount {
        std::size_t page;
        std::size_t item;
        QString text;  // with the page number in, %2 still to fill
        QRectF box;
        Qt::Alignment alignment;
        int font;
    };

    const std::vector<Band*>& bands(BandKind kind) const { return byKind_[std::size_t(kind)]; }

    const PageSetup& setup() const { return report_.page; }
    double contentBottom() const {
        return setup().paperHeight - setup().margins.bottom - footerReserve_;
    }

    void checkSources() const {
        for (const auto& b : report_.bands_) {
            const bool rows = b->kind() == BandKind::SubDetail;
            if (rows && !sources_.rows(b->rowSource))
                throw ReportError("Brak wierszy „" + b->rowSource.toStdString() + "” dla wydruku.");
            for (const Element& e : b->elements()) {
                if (e.kind != ElementKind::Field) continue;
                if (e.source.isEmpty() && rows) continue;
                if (!sources_.values(e.source))
                    throw ReportError("Brak danych „" + e.source.toStdString() + "” dla pola „" +
                                      e.field.toStdString() + "” wydruku.");
            }
        }
    }

    void startPage(bool first) {
        document_.pages.emplace_back();
        Page& p = document_.pages.back();
        p.width = setup().paperWidth;
        p.height = setup().paperHeight;
        p.duplex = setup().duplex;
        pageFonts_.clear();
        ++pageNumber_;
        y_ = setup().margins.top;
        footerReserve_ = 0;
        for (Band* b : bands(BandKind::PageFooter))
            if (b->enabled) footerReserve_ += b->height;
        for (Band* b : bands(BandKind::PageHeader))
            if (!first || b->onFirstPage) place(*b, true);
        if (!first)
            for (Band* b : bands(BandKind::ColumnHeader)) place(*b, true);
        freshTop_ = y_;
    }

    void finishPage(bool last) {
        double y = setup().paperHeight - setup().margins.bottom - footerReserve_;
        for (Band* b : bands(BandKind::PageFooter)) {
            if (!b->enabled || (last && !b->onLastPage)) continue;
            if (b->beforePrint && !b->beforePrint(*b)) continue;
            emitBand(*b, y);
            y += b->height;
        }
    }

    // Puts the band below what the page holds, on a new page when it does not fit there;
    // a band taller than a whole page is placed on a fresh page anyway and runs over.
    void place(Band& b, bool repeating = false) {
        if (!b.enabled) return;
        if (b.beforePrint && !b.beforePrint(b)) return;
        if (!repeating && y_ + b.height > contentBottom() + kEpsilon && y_ > freshTop_ + kEpsilon) {
            finishPage(false);
            startPage(false);
        }
        emitBand(b, y_);
        y_ += b.height;
    }

    void runRows(Band& b) {
        if (!b.enabled) return;
        RowSource* rows = sources_.rows(b.rowSource);
        rowBand_ = &b;
        rows_ = rows;
        rows->first();
        if (rows->atEnd()) {
            if (b.printWhenEmpty) {
                emptyRow_ = true;
                place(b);
                emptyRow_ = false;
            }
        } else {
            for (; !rows->atEnd(); rows->next()) place(b);
        }
        rowBand_ = nullptr;
        rows_ = nullptr;
    }

    QString fieldText(const Band& band, const Element& e) const {
        const bool ownRows =
            &band == rowBand_ && (e.source.isEmpty() || e.source == band.rowSource);
        if (ownRows) return emptyRow_ ? QString() : rows_->text(e.field);
        const ValueSource* source = sources_.values(e.source);
        return source ? source->text(e.field) : QString();
    }

    void emitBand(const Band& b, double top) {
        const QPointF origin(setup().margins.left, top);
        for (const Element& e : b.elements()) {
            if (!e.enabled) continue;
            const QRectF box = e.rect.translated(origin);
            switch (e.kind) {
                case ElementKind::Label:
                case ElementKind::Memo:
                    emitText(e, box, e.caption);
                    break;
                case ElementKind::Field:
                    emitText(e, box, fieldText(b, e));
                    break;
                case ElementKind::PageNumber:
                    emitPageNumber(e, box);
                    break;
                case ElementKind::RichText:
                    emitRichText(e, box);
                    break;
                case ElementKind::Rule:
                    page().lines.push_back(
                        LineItem{QLineF(box.topLeft(), box.bottomRight()), e.pen, e.penStyle});
                    break;
                case ElementKind::Box:
                    page().boxes.push_back(BoxItem{box, e.pen, e.fill});
                    break;
            }
        }
    }

    Page& page() { return document_.pages.back(); }

    // The page's index for a font, the font entering the page on first use.
    int pageFont(int measureId) {
        if (std::size_t(measureId) >= pageFonts_.size())
            pageFonts_.resize(std::size_t(measureId) + 1, -1);
        int& local = pageFonts_[std::size_t(measureId)];
        if (local < 0) {
            page().fonts.push_back(measure_.metrics(measureId).font);
            local = int(page().fonts.size() - 1);
        }
        return local;
    }

    double alignedX(const QRectF& box, Qt::Alignment alignment, double width) const {
        if (alignment & Qt::AlignRight) return box.right() - width;
        if (alignment & Qt::AlignHCenter) return box.left() + (box.width() - width) / 2;
        return box.left();
    }

    void emitText(const Element& e, QRectF box, const QString& text) {
        int id = measure_.fontId(e.font);
        const bool measured = e.growRight || e.clip || e.shrinkToFit ||
                              (e.alignment & (Qt::AlignRight | Qt::AlignHCenter));
        if (e.growRight) box.setWidth(text.isEmpty() ? 0 : measure_.width(id, text));
        if (e.frame) page().boxes.push_back(BoxItem{box, e.pen, QColor()});
        if (text.isEmpty()) return;

        const bool wrap = e.wordWrap && !e.growRight && !e.shrinkToFit;
        const bool single = !text.contains(QLatin1Char('\n')) && !wrap;
        const QStringList& lines =
            single ? singleLine(text) : measure_.lines(id, text, box.width(), wrap);
        bool clipAll = false;
        if (e.shrinkToFit) id = fittingFont(id, lines, box, clipAll);
        const TextMeasure::Metrics& m = measure_.metrics(id);
        const double total = double(lines.size()) * m.lineHeight;
        double top = box.top();
        if (e.alignment & Qt::AlignVCenter)
            top += (box.height() - total) / 2;
        else if (e.alignment & Qt::AlignBottom)
            top += box.height() - total;

        const int font = pageFont(id);
        const QRgb color = e.color.rgba();
        int clip = -1;
        if (clipAll ||
            (e.clip && (top < box.top() - kEpsilon || top + total > box.bottom() + kEpsilon)))
            clip = addClip(box);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const double lineTop = top + double(i) * m.lineHeight;
            if (e.clip && lineTop >= box.bottom()) break;
            const QString& line = lines.at(i);
            if (line.isEmpty()) continue;
            double x = box.left();
            if (measured) {
                const double width = measure_.width(id, line);
                x = alignedX(box, e.alignment, width);
                if (e.clip && clip < 0 && width > box.width() + kEpsilon) clip = addClip(box);
            }
            page().texts.push_back(
                TextItem{QPointF(x, lineTop + m.ascent), line, font, clip, color});
        }
    }

    // The font in which every line fits the box across and down: the element's own when they
    // do, else the largest smaller size of it that fits, found in steps of a twentieth of a
    // point. Below the smallest legible size the text is clipped rather than shrunk further.
    int fittingFont(int id, const QStringList& lines, const QRectF& box, bool& clipAll) {
        constexpr double kSmallestPoints = 3.0;
        double scale = 1;
        auto fits = [&](int f) {
            double widest = 0;
            for (const QString& line : lines) widest = std::max(widest, measure_.width(f, line));
            const double height = double(lines.size()) * measure_.metrics(f).lineHeight;
            scale = std::min(widest > box.width() ? box.width() / widest : 1.0,
                             height > box.height() ? box.height() / height : 1.0);
            return widest <= box.width() + kEpsilon && height <= box.height() + kEpsilon;
        };
        if (fits(id)) return id;
        QFont font = measure_.metrics(id).font;
        double size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
        for (int step = 0; step < 50; ++step) {
            // Text widths follow the size closely; the step below makes sure each try is smaller.
            size = std::min(std::floor(size * scale * 20) / 20, size - 0.05);
            if (size < kSmallestPoints) break;
            font.setPointSizeF(size);
            id = measure_.fontId(font);
            if (fits(id)) return id;
        }
        font.setPointSizeF(kSmallestPoints);
        clipAll = true;
        return measure_.fontId(font);
    }

    const QStringList& singleLine(const QString& text) {
        if (single_.isEmpty())
            single_.push_back(text);
        else
            single_.front() = text;
        return single_;
    }

    int addClip(const QRectF& box) {
        page().clips.push_back(box);
        return int(page().clips.size() - 1);
    }

    void emitPageNumber(const Element& e, const QRectF& box) {
        const QString text =
            e.caption.contains(QStringLiteral("%1"))
                ? QString(e.caption).replace(QStringLiteral("%1"), QString::number(pageNumber_))
                : e.caption;
        if (!text.contains(QStringLiteral("%2"))) {
            emitText(e, box, text);
            return;
        }
        // The page count is known when the run ends; the line is set then.
        const int id = measure_.fontId(e.font);
        const std::size_t before = page().texts.size();
        emitText(e, box, text);
        if (page().texts.size() != before + 1) return;  // an empty caption
        pending_.push_back(PendingCount{document_.pages.size() - 1, page().texts.size() - 1, text,
                                        box, e.alignment, id});
    }

    void numberPages() {
        const QString count = QString::number(document_.pages.size());
        for (const PendingCount& p : pending_) {
            TextItem& item = document_.pages[p.page].texts[p.item];
            item.text = QString(p.text).replace(QStringLiteral("%2"), count);
            item.origin.setX(alignedX(p.box, p.alignment, measure_.width(p.font, item.text)));
        }
    }

    void emitRichText(const Element& e, const QRectF& box) {
        if (e.caption.isEmpty()) return;
        const int id = measure_.fontId(e.font);
        page().richTexts.push_back(RichItem{box, measure_.richText(id, e.caption, box.width())});
    }

    Report& report_;
    const Sources& sources_;
    TextMeasure& measure_;
    std::array<std::vector<Band*>, 7> byKind_;
    Document document_;
    std::vector<int> pageFonts_;  // measure id -> index in the page's fonts
    std::vector<PendingCount> pending_;
    QStringList single_;
    int pageNumber_ = 0;
    double y_ = 0;
    double freshTop_ = 0;  // where the page's own content starts, below its headers
    double footerReserve_ = 0;
    const Band* rowBand_ = nullptr;
    RowSource* rows_ = nullptr;
    bool emptyRow_ = false;
};

Document Report::generate(const Sources& sources) {
    installFontSubstitutes();
    if (beforePrint) beforePrint(*this);
    return Generator(*this, sources).run();
}

}  // namespace lumiro::reports
