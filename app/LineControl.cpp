#include "app/LineControl.h"

#include <QPainter>

namespace app {

LineControl::LineControl(const QLine &line, QPalette::ColorRole colour, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
{
    const QRect bounds = QRect(line.p1(), line.p2()).normalized();
    setGeometry(bounds.adjusted(0, 0, 1, 1));
    m_line = line.translated(-bounds.topLeft());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Active, m_colour), 1));
    painter.drawLine(m_line);
}

} // namespace app
