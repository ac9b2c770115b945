#pragma once

#include <QLine>
#include <QPalette>
#include <QWidget>

namespace app {

// A decorative line between two points of its container, drawn in a system colour.
class LineControl : public QWidget
{
    Q_OBJECT

public:
    explicit LineControl(const QLine &line, QPalette::ColorRole colour, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLine m_line; // in the widget's own coordinates
    QPalette::ColorRole m_colour = QPalette::Dark;
};

} // namespace app
