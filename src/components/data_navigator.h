// A row of buttons that move and edit the table of a DataSource. Which buttons show and their
// hints are set per window.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

#include "components/data_source.h"

class QToolButton;

namespace lumiro::components {

enum class NavigatorButton {
    First,
    Prior,
    Next,
    Last,
    Insert,
    Delete,
    Edit,
    Post,
    Cancel,
    Refresh
};

class DataNavigator : public QWidget {
    Q_OBJECT

  public:
    // All ten buttons with their usual Polish hints.
    explicit DataNavigator(DataSource* source, QWidget* parent = nullptr);

    void setVisibleButtons(const QList<NavigatorButton>& buttons);
    void setHint(NavigatorButton button, const QString& hint);
    // Asks before deleting (the default).
    void setConfirmDelete(bool on) { confirmDelete_ = on; }
    QToolButton* button(NavigatorButton which) const;
    // Runs the button's action as a click would.
    void press(NavigatorButton which);

  Q_SIGNALS:
    // After the button's action ran (also when it failed and was reported).
    void clicked(NavigatorButton button);

  private:
    void updateButtons();

    DataSource* source_;
    QMap<NavigatorButton, QToolButton*> buttons_;
    bool confirmDelete_ = true;
};

}  // namespace lumiro::components
