// Edit masks in the notation the program's layouts use ("9999.99.99;1; ": the mask, whether
// literals are stored with the value, the character shown for an empty position), carried
// over to Qt input masks.
#pragma once

#include <QChar>
#include <QList>
#include <QString>

namespace lumiro::components {

class EditMask {
  public:
    EditMask() = default;
    // An empty text gives no mask. Mask characters: 0 digit required, 9 digit optional,
    // # digit or sign optional, L letter required, l letter optional, A letter or digit
    // required, a optional, C any character required, c optional, > upper case, < lower
    // case, <> no case change, \ takes the next character literally, _ a blank; anything
    // else is a literal.
    explicit EditMask(const QString& text);

    bool isEmpty() const { return qtMask_.isEmpty(); }
    // For QLineEdit::setInputMask.
    const QString& qtMask() const { return qtMask_; }
    bool storesLiterals() const { return storesLiterals_; }
    QChar blank() const { return blank_; }

    // The value to store for what the edit shows (QLineEdit::displayText). Empty when no
    // position was typed, so a cleared field is stored empty rather than as punctuation.
    QString storedText(const QString& shown) const;

  private:
    struct Position {
        bool literal;
        QChar character;  // the literal itself
    };
    QString qtMask_;
    bool storesLiterals_ = true;
    QChar blank_ = u'_';
    QList<Position> positions_;
};

}  // namespace lumiro::components
