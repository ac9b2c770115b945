#include "app/PortBox.h"

#include <QAbstractItemView>
#include <QLineEdit>

namespace app {

namespace {

constexpr int pathRole = Qt::UserRole; // set on listed ports only, never on the fixed names

} // namespace

PortBox::PortBox(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QVariant path = itemData(index, pathRole);
        if (path.isValid()) {
            setEditText(path.toString());
            lineEdit()->end(false);
        }
    });
}

void PortBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void PortBox::refresh()
{
    const QString text = currentText();
    for (int i = count() - 1; i >= 0; --i) {
        if (itemData(i, pathRole).isValid())
            removeItem(i);
    }
    for (const serial::PortEntry &port : m_ports.scan()) {
        addItem(port.description.isEmpty()
                        ? port.path
                        : QStringLiteral("%1 — %2").arg(port.path, port.description),
                port.path);
    }
    // The text stays as it was; the list marks the entry it names, if any.
    const int named = std::max(findText(text), findData(text, pathRole));
    if (named >= 0)
        setCurrentIndex(named);
    setEditText(text);
    // The list is wider than the box where a path and a description need it.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
}

} // namespace app
