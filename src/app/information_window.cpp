#include "app/information_window.h"

#include "app/window_placement.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace lumiro::app {
namespace {

// The notes are laid out in columns by spaces, as on the printed form, so only a fixed-pitch
// font shows them right.
QPlainTextEdit* noteBox(data::InformationNote note, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setPlainText(data::informationNoteLines(note).join(u'\n'));
    box->setVisible(false);
    return box;
}

}  // namespace

TKadF1::TKadF1(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("INFORMACJA  "));
    setModal(true);

    auto* top = new QWidget(this);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(8, 6, 8, 6);
    Drukuj_ = new QPushButton(QStringLiteral("Drukuj"), top);
    Drukuj_->setEnabled(false);
    connect(Drukuj_, &QPushButton::clicked, this, &TKadF1::DrukujClick);
    topLayout->addWidget(Drukuj_);
    topLayout->addStretch();

    Memo1_ = noteBox(data::InformationNote::Kp1, this);
    Memo2_ = noteBox(data::InformationNote::Rp6, this);
    Memo3_ = noteBox(data::InformationNote::Rp7, this);
    Memo3_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(Memo1_, 1);
    layout->addWidget(Memo2_, 1);
    layout->addWidget(Memo3_, 1);

    // Wide enough for a full 100-character line, so that no note wraps where it was not broken.
    const QFontMetrics metrics(Memo1_->font());
    const int textWidth = metrics.horizontalAdvance(QString(100, u'M'));
    const int chrome = 2 * Memo1_->frameWidth() + Memo1_->verticalScrollBar()->sizeHint().width() +
                       2 * int(Memo1_->document()->documentMargin()) + 4;
    resize(textWidth + chrome, metrics.lineSpacing() * 36);
}

QPlainTextEdit* TKadF1::memoFor(data::InformationNote note) {
    switch (note) {
        case data::InformationNote::Kp1:
            return Memo1_;
        case data::InformationNote::Rp6:
            return Memo2_;
        case data::InformationNote::Rp7:
            return Memo3_;
    }
    return Memo1_;
}

void TKadF1::showNote(data::InformationNote note) {
    for (QPlainTextEdit* memo : {Memo1_, Memo2_, Memo3_}) memo->setVisible(false);
    QPlainTextEdit* memo = memoFor(note);
    memo->setVisible(true);
    memo->moveCursor(QTextCursor::Start);
}

void TKadF1::openNote(data::InformationNote note) {
    showNote(note);
    centerOnScreen(*this);
    exec();
}

void TKadF1::setPrintHandler(PrintHandler handler) {
    print_ = std::move(handler);
    Drukuj_->setEnabled(bool(print_));
}

void TKadF1::DrukujClick() {
    QPlainTextEdit* memo = visibleMemo();
    if (!memo || !print_) return;
    print_(memo->toPlainText().split(u'\n'));
}

QPlainTextEdit* TKadF1::visibleMemo() {
    for (QPlainTextEdit* memo : {Memo1_, Memo2_, Memo3_}) {
        if (!memo->isHidden()) return memo;
    }
    return nullptr;
}

void TKadF1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Laying out a box that was hidden may leave it scrolled; a note is read from its title.
    if (QPlainTextEdit* memo = visibleMemo()) {
        memo->moveCursor(QTextCursor::Start);
        memo->verticalScrollBar()->setValue(0);
    }
}

void TKadF1::hideEvent(QHideEvent* event) {
    // Being minimised is not being closed.
    if (!event->spontaneous()) {
        for (QPlainTextEdit* memo : {Memo1_, Memo2_, Memo3_}) memo->setVisible(false);
    }
    QDialog::hideEvent(event);
}

}  // namespace lumiro::app
