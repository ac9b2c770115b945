#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace app {

inline const QString applicationTitle = QStringLiteral("Thermal Printer Demo");

// A message for the operator, in a modal box with the application's title.
struct Message
{
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QString title = applicationTitle;
};

// Shows a message and returns the button that closed it. The window shows every message
// through one of these, so a test can watch them without a modal box.
using MessagePresenter = std::function<QMessageBox::StandardButton(const Message &)>;

QMessageBox::StandardButton showMessageBox(const Message &message, QWidget *parent);

} // namespace app
