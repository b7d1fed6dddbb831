// The window that shows one of the explanatory notes of the Kp-1, Rp-6 and Rp-7 forms. It is
// created on first use and kept; each opening shows only the note its caller asks for.
#pragma once

#include "data/information_notes.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace lumiro::app {

class TKadF1 : public QDialog {
    Q_OBJECT

  public:
    explicit TKadF1(QWidget* parent = nullptr);

    // Makes the note's box the visible one (the caller's part of opening the window).
    void showNote(data::InformationNote note);
    // showNote, then the window modally; returns when it is closed.
    void openNote(data::InformationNote note);
    // What "Drukuj" does with the lines of the note on show; the button is enabled once the
    // window has somewhere to print to.
    using PrintHandler = std::function<void(const QStringList& lines)>;
    void setPrintHandler(PrintHandler handler);

    QPlainTextEdit& Memo1() { return *Memo1_; }  // Kp-1
    QPlainTextEdit& Memo2() { return *Memo2_; }  // Rp-6
    QPlainTextEdit& Memo3() { return *Memo3_; }  // Rp-7
    QPushButton& Drukuj() { return *Drukuj_; }
    // The box on show, or none before showNote.
    QPlainTextEdit* visibleMemo();

  protected:
    void showEvent(QShowEvent* event) override;
    // However the window is closed, all boxes are hidden, so that the next opening shows only
    // the box its caller makes visible.
    void hideEvent(QHideEvent* event) override;

  private:
    QPlainTextEdit* memoFor(data::InformationNote note);

    void DrukujClick();

    PrintHandler print_;
    QPushButton* Drukuj_;
    QPlainTextEdit* Memo1_;
    QPlainTextEdit* Memo2_;
    QPlainTextEdit* Memo3_;
};

}  // namespace lumiro::app
