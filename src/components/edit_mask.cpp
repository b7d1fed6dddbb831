#include "components/edit_mask.h"

#include <QStringList>

namespace lumiro::components {

namespace {

// Characters that mean something in a Qt input mask and must be escaped as literals.
bool qtSpecial(QChar c) {
    return QStringLiteral("AaNnXx90DdHhBb#><!\\[]{};").contains(c);
}

}  // namespace

EditMask::EditMask(const QString& text) {
    if (text.isEmpty()) return;
    // The last two ';' fields are the options; a mask may itself contain escaped ';'.
    QString mask = text;
    int optionsAt = -1;
    {
        int semicolons = 0;
        for (int i = int(text.size()) - 1; i >= 0 && semicolons < 2; --i) {
            if (text[i] == u';' && (i == 0 || text[i - 1] != u'\\')) {
                ++semicolons;
                optionsAt = i;
            }
        }
        if (semicolons == 0) optionsAt = -1;
    }
    if (optionsAt >= 0) {
        mask = text.left(optionsAt);
        const QStringList options = text.mid(optionsAt + 1).split(u';');
        if (!options.isEmpty()) storesLiterals_ = options[0].trimmed() != QStringLiteral("0");
        if (options.size() > 1 && !options[1].isEmpty()) blank_ = options[1][0];
    }

    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        auto literal = [this](QChar ch) {
            if (qtSpecial(ch)) qtMask_ += u'\\';
            qtMask_ += ch;
            positions_.push_back({true, ch});
        };
        auto input = [this](QChar qt) {
            qtMask_ += qt;
            positions_.push_back({false, QChar()});
        };
        switch (c.unicode()) {
            case '0':
                input(u'9');
                break;
            case '9':
                input(u'0');
                break;
            case '#':
                input(u'#');
                break;
            case 'L':
                input(u'A');
                break;
            case 'l':
                input(u'a');
                break;
            case 'A':
                input(u'N');
                break;
            case 'a':
                input(u'n');
                break;
            case 'C':
                input(u'X');
                break;
            case 'c':
                input(u'x');
                break;
            case '_':
                literal(u' ');
                break;
            case '>':
                qtMask_ += u'>';
                break;
            case '<':
                if (i + 1 < mask.size() && mask[i + 1] == u'>') {
                    qtMask_ += u'!';
                    ++i;
                } else {
                    qtMask_ += u'<';
                }
                break;
            case '!':
                break;  // leading blanks trimmed: Qt has no such option
            case '\\':
                if (i + 1 < mask.size()) literal(mask[++i]);
                break;
            default:
                literal(c);
        }
    }
    qtMask_ += u';';
    qtMask_ += blank_;
}

QString EditMask::storedText(const QString& shown) const {
    if (isEmpty()) return shown;
    QString out;
    bool typed = false;
    for (int i = 0; i < positions_.size(); ++i) {
        const QChar c = i < shown.size() ? shown[i] : blank_;
        if (positions_[i].literal) {
            if (storesLiterals_) out += positions_[i].character;
        } else if (c == blank_) {
            out += u' ';
        } else {
            out += c;
            typed = true;
        }
    }
    if (!typed) return QString();
    while (out.endsWith(u' ')) out.chop(1);
    return out;
}

}  // namespace lumiro::components
