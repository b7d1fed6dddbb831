#include "reports/document.h"

#include <QTextDocument>

#include <iterator>

namespace lumiro::reports {

QString Page::plainText() const {
    QStringList out;
    out.reserve(qsizetype(texts.size() + richTexts.size()));
    for (const TextItem& t : texts) out.push_back(t.text);
    for (const RichItem& r : richTexts) out.push_back(r.document->toPlainText());
    return out.join(QLatin1Char('\n'));
}

void Document::append(Document&& other) {
    pages.insert(pages.end(), std::make_move_iterator(other.pages.begin()),
                 std::make_move_iterator(other.pages.end()));
    other.pages.clear();
}

}  // namespace lumiro::reports
