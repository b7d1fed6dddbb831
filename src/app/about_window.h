// "Informacja o programie": who made the program and how to reach them. Created on first use
// and kept.
#pragma once

#include <QDialog>

class QLabel;

namespace lumiro::platform {
class ShellOpener;
}

namespace lumiro::app {

class LinkLabel;

class TKadF3 : public QDialog {
    Q_OBJECT

  public:
    // `shell` opens the links and must outlive the window.
    explicit TKadF3(platform::ShellOpener& shell, QWidget* parent = nullptr);

    // Centred and modal; returns when it is closed.
    void openModal();

    LinkLabel& orderLink() { return *orderLink_; }
    LinkLabel& webLink() { return *webLink_; }
    LinkLabel& emailLink() { return *emailLink_; }

  private:
    void openWebLink(const LinkLabel& link);
    void openEmailLink(const LinkLabel& link);

    platform::ShellOpener& shell_;
    LinkLabel* orderLink_;
    LinkLabel* webLink_;
    LinkLabel* emailLink_;
};

}  // namespace lumiro::app
