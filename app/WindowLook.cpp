#include "app/WindowLook.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>

namespace app {

void applyWindowLook()
{
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
    // The captions are mostly Latin, in boxes sized for a narrow bitmap font: a narrow sans at
    // 7.5 points fits them ("centre" and "middle" end clear of the next option, "upside down"
    // fits its box); the frames' Chinese titles are drawn at 8 points in a CJK font.
    QFont font;
    font.setFamilies(
            {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
    font.setPointSizeF(8);
    QApplication::setFont(font, "QGroupBox");
    qApp->setStyleSheet(QStringLiteral("QRadioButton { spacing: 1px; }"));
}

QIcon windowIcon()
{
    QIcon icon;
    for (const int size : {32, 16}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const qreal unit = size / 16.0;
        painter.scale(unit, unit);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x40, 0x40, 0x40));
        painter.drawRect(QRectF(1, 7, 14, 6));
        painter.setBrush(Qt::white);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(QRectF(4, 1, 8, 8));
        painter.drawLine(QLineF(5.5, 3.5, 10.5, 3.5));
        painter.drawLine(QLineF(5.5, 5.5, 10.5, 5.5));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace app
