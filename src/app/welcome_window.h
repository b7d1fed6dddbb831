// The welcome screen, the program's main window: closing it ends the program. It leads to
// the employee index and to the guide documents, and shows whose copy of the program this is.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QToolButton;
class QVBoxLayout;

namespace lumiro::platform {
class ShellOpener;
}

namespace lumiro::app {

class LinkLabel;

class TSTART : public QWidget {
  public:
    // The parameters column L3, read each time the screen is shown: 1 shows the publisher's
    // contacts, 0 the maker's, anything else (or nothing readable) the designed lines.
    using ContactVariantSource = std::function<std::optional<int>()>;
    // Shows the employee index window modally and returns when it is closed.
    using EmployeeIndexOpener = std::function<void()>;

    static constexpr int kPublisherLineLeft = 24;
    static constexpr int kMakerLineLeft = 174;

    // The caption is the program's name alone; the application title with its version heads
    // the message boxes. `shell` opens every link and document and must outlive the window.
    explicit TSTART(platform::ShellOpener& shell, QWidget* parent = nullptr);

    void setContactVariantSource(ContactVariantSource source) {
        contactVariant_ = std::move(source);
    }
    // Without an opener the employee index button stays disabled and says why.
    void setEmployeeIndexOpener(EmployeeIndexOpener opener);

    void FormShow();
    void Label4Click();
    void Label5Click();
    void Image2Click();
    void Image3Click();
    void Image4Click();
    void Image5Click();
    void Image6Click();
    void Image7Click();
    void Image8Click();

    QLabel& Image1() { return *Image1_; }
    QFrame& Shape1() { return *Shape1_; }
    QLabel& Label2() { return *Label2_; }
    LinkLabel& Label4() { return *Label4_; }
    LinkLabel& Label5() { return *Label5_; }
    QToolButton& Image2() { return *Image2_; }
    QToolButton& Image3() { return *Image3_; }
    QToolButton& Image4() { return *Image4_; }
    QToolButton& Image5() { return *Image5_; }
    QToolButton& Image6() { return *Image6_; }
    QToolButton& Image7() { return *Image7_; }
    QToolButton& Image8() { return *Image8_; }
    // Where Label2 starts, counted from the window's left edge.
    int contactLineLeft() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QToolButton* addPictureButton(int picture, const QString& text, int iconSize);
    void withBusyCursor(QWidget& control, const std::function<void()>& action);
    void openGuide(QWidget& control, const char16_t* path);

    platform::ShellOpener& shell_;
    ContactVariantSource contactVariant_;
    EmployeeIndexOpener openEmployeeIndex_;
    QString label4Target_;  // empty: the web link opens nothing

    QLabel* Image1_;
    QFrame* Shape1_;
    QWidget* contactBlock_;
    QVBoxLayout* contactLayout_;
    QLabel* Label2_;
    LinkLabel* Label4_;
    LinkLabel* Label5_;
    QToolButton* Image2_;
    QToolButton* Image3_;
    QToolButton* Image4_;
    QToolButton* Image5_;
    QToolButton* Image6_;
    QToolButton* Image7_;
    QToolButton* Image8_;
};

}  // namespace lumiro::app
