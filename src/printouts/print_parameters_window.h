// "Ustawienie parametrów wydruku": single or mass printing of Kp-1 and Rp-7, the information
// pages on or off, and the fonts of the Rp-6 and Rp-7 printouts. The parameters row is saved
// whenever the window closes, however it is closed.
#pragma once

#include <QDialog>
#include <QFrame>

#include <memory>

class QLabel;

namespace lumiro::data {
class Tdane;
}
namespace lumiro::components {
class DataSource;
class DbRadioGroup;
}  // namespace lumiro::components

namespace lumiro::printouts {

// A panel that shows its caption in the font stored in a slot of the font file; a click lets
// the user choose another.
class FontPanel : public QFrame {
    Q_OBJECT

  public:
    FontPanel(data::Tdane& dane, int slot, const QString& caption, QWidget* parent = nullptr);
    // Shows the caption in the slot's stored font and its colour (the window's when none is
    // stored).
    void load();
    QLabel& label() { return *label_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void choose();
    void show(const class QFont& font, const class QColor& color);

    data::Tdane& dane_;
    int slot_;
    QLabel* label_;
};

class TKAdF6 : public QDialog {
    Q_OBJECT

  public:
    TKAdF6(data::Tdane& dane, QWidget* parent = nullptr);
    ~TKAdF6() override;

    components::DbRadioGroup& RadioGroup1() { return *massPrint_; }
    components::DbRadioGroup& RadioGroup2() { return *information_; }
    FontPanel& Panel1() { return *rp6Font_; }
    FontPanel& Panel2() { return *rp7Font_; }
    // Shows the window modally; returns when it is closed, the parameters saved.
    void openModal();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    data::Tdane& dane_;
    std::unique_ptr<components::DataSource> ZPARA_;
    components::DbRadioGroup* massPrint_ = nullptr;
    components::DbRadioGroup* information_ = nullptr;
    FontPanel* rp6Font_ = nullptr;
    FontPanel* rp7Font_ = nullptr;
};

}  // namespace lumiro::printouts
