// The table printouts of the line engine: a grid's rows as a ruled text table.
#include <algorithm>

#include "data/picture_format.h"
#include "textreports/text_print_engine.h"
#include "textreports/text_routines.h"

namespace lumiro::textreports {
namespace {

constexpr int kPixelsPerCharacter = 6;
constexpr int kWidestColumn = 255;

struct PrintedColumn {
    int source;  // index among the grid's columns
    int width;   // characters
    ColumnAlignment alignment;
    bool summed = false;
    double total = 0;
};

QString aligned(const QString& text, ColumnAlignment alignment, int width) {
    QString shown = text;
    if (shown.size() < width) {
        if (alignment == ColumnAlignment::Right)
            shown = Powiel(u' ', int(width - shown.size())) + shown;
        else if (alignment == ColumnAlignment::Centre)
            shown = Powiel(u' ', int(width - shown.size()) / 2) + shown;
    }
    return Dopelnij(shown, width);
}

struct Rules {
    QString top, titles, sub;
};

Rules rulesOf(const std::vector<TableColumn>& all, const std::vector<PrintedColumn>& columns,
              bool lp) {
    Rules r{lp ? QStringLiteral("======") : QStringLiteral("="),
            lp ? QStringLiteral("| LP |") : QStringLiteral("|"),
            lp ? QStringLiteral("|----|") : QStringLiteral("|")};
    for (const PrintedColumn& c : columns) {
        QString title = all[std::size_t(c.source)].title;
        title.replace(u'\n', u' ');
        r.top += Powiel(u'=', c.width + 1);
        r.titles += Dopelnij(title, c.width) + u'|';
        r.sub += Powiel(u'-', c.width) + u'|';
    }
    return r;
}

// The data set's controls stay disabled while its rows are read, however the reading ends.
class ControlsDisabled {
  public:
    explicit ControlsDisabled(TableSource& grid) : grid_(grid) { grid_.disableControls(); }
    ~ControlsDisabled() { grid_.enableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

  private:
    TableSource& grid_;
};

}  // namespace

void TextPrintEngine::DrukujTabeleX(TableSource& grid, const QString& title,
                                    const QString& sumFields, int extraHeadings) {
    if (grid.rowCount() <= 0) return;
    if (extraHeadings < 0 || extraHeadings + 3 > kMaxHeadings) {
        error(QStringLiteral("Wydruk „%1” nie został rozpoczęty: tabela ma %2 wierszy "
                             "nagłówka, a strona może powtarzać najwyżej %3.")
                  .arg(title)
                  .arg(extraHeadings + 3)
                  .arg(kMaxHeadings));
        return;
    }
    QString sums = sumFields;
    if (!sums.isEmpty() && !sums.endsWith(u';')) sums += u';';
    const bool lp = sums.startsWith(QStringLiteral("LP"));
    const QStringList summedFields = sums.split(u';');

    const std::vector<TableColumn> all = grid.columns();
    std::vector<PrintedColumn> columns;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const TableColumn& c = all[i];
        if (!c.visible || c.field.isEmpty() || c.widthPixels < kPixelsPerCharacter) continue;
        PrintedColumn printed{int(i), std::min(c.widthPixels / kPixelsPerCharacter, kWidestColumn),
                              c.alignment};
        printed.summed = summedFields.contains(c.field);
        columns.push_back(printed);
    }
    const bool totals = std::any_of(columns.begin(), columns.end(),
                                    [](const PrintedColumn& c) { return c.summed; });
    const Rules rules = rulesOf(all, columns, lp);

    std::vector<int> rows = grid.selectedRows();
    if (rows.empty()) {
        rows.resize(std::size_t(grid.rowCount()));
        for (int i = 0; i < grid.rowCount(); ++i) rows[std::size_t(i)] = i;
    }

    {
        ControlsDisabled still(grid);
        if (!OtworzWydruk(title, false, int(rows.size()), extraHeadings + 3, true)) return;
        for (int i = 1; i <= extraHeadings; ++i) DrukujLinie(Naglowek(i));
        setNaglowek(extraHeadings + 1, rules.top);
        setNaglowek(extraHeadings + 2, rules.titles);
        setNaglowek(extraHeadings + 3, rules.sub);
        for (int i = extraHeadings + 1; i <= extraHeadings + 3; ++i) DrukujLinie(Naglowek(i));

        int number = 0;
        for (int row : rows) {
            KrokWydruku();
            ++number;
            QString line = lp ? u'|' + data::FormatPicture(QStringLiteral("####"), number) + u'|'
                              : QStringLiteral("|");
            for (PrintedColumn& c : columns) {
                line += aligned(grid.displayText(row, c.source), c.alignment, c.width) + u'|';
                if (c.summed) c.total += grid.number(row, c.source).value_or(0.0);
            }
            DrukujLinie(line);
        }
    }

    DrukujLinie(rules.top);
    if (totals) {
        QString line = lp ? QStringLiteral("|    |") : QStringLiteral("|");
        bool labelled = false;
        for (const PrintedColumn& c : columns) {
            if (c.summed) {
                const QString total =
                    BezSpacji(data::FormatPicture(QStringLiteral("##########9.99"), c.total));
                line += aligned(total, c.alignment, c.width);
            } else if (!labelled && c.width > 6) {
                line += Dopelnij(QStringLiteral("RAZEM :"), c.width);
                labelled = true;
            } else {
                line += Powiel(u' ', c.width);
            }
            line += u'|';
        }
        DrukujLinie(line);
        DrukujLinie(rules.top);
    }
    ZamknijWydruk(true);
}

void TextPrintEngine::DrukujTabele(TableSource& grid, const QString& title) {
    if (grid.rowCount() <= 0) return;
    constexpr std::size_t kMostColumns = 50;
    std::vector<TableColumn> all = grid.columns();
    if (all.size() > kMostColumns) all.resize(kMostColumns);
    std::vector<PrintedColumn> columns;
    for (std::size_t i = 0; i < all.size(); ++i)
        columns.push_back(PrintedColumn{
            int(i), std::min(std::max(0, all[i].widthPixels) / kPixelsPerCharacter, kWidestColumn),
            ColumnAlignment::Left});
    const Rules rules = rulesOf(all, columns, false);

    {
        ControlsDisabled still(grid);
        if (!OtworzWydruk(title, false, grid.rowCount(), 3, true)) return;
        setNaglowek(1, rules.top);
        setNaglowek(2, rules.titles);
        setNaglowek(3, rules.sub);
        for (int i = 1; i <= 3; ++i) DrukujLinie(Naglowek(i));
        for (int row = 0; row < grid.rowCount(); ++row) {
            KrokWydruku();
            QString line = QStringLiteral("|");
            for (const PrintedColumn& c : columns)
                line += Dopelnij(grid.displayText(row, c.source), c.width) + u'|';
            DrukujLinie(line);
        }
    }
    DrukujLinie(rules.top);
    ZamknijWydruk(true);
}

}  // namespace lumiro::textreports
