#include "app/Message.h"

namespace app {

QMessageBox::StandardButton showMessageBox(const Message &message, QWidget *parent)
{
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace app
