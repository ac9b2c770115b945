#include "app/FormControls.h"

#include "app/LineControl.h"
#include "app/PortBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <vector>

namespace app {

namespace {

inline constexpr int clientWidthTwips = 6825;
inline constexpr int clientHeightTwips = 4500;

// Creates controls at twip rectangles and puts them in the order of their tab indexes.
class Builder
{
public:
    template<typename Widget>
    Widget *add(const char *name,
                QWidget *container,
                const char *caption,
                int left,
                int top,
                int width,
                int height,
                int tabIndex)
    {
        auto *widget = new Widget(container);
        const QString text = FormControls::tr(caption);
        if constexpr (std::is_same_v<Widget, QGroupBox>) {
            widget->setTitle(text);
        } else if constexpr (std::is_base_of_v<QComboBox, Widget>) {
            // Typed text is read exactly as typed: no completion, and Enter adds nothing.
            widget->setEditable(true);
            widget->setInsertPolicy(QComboBox::NoInsert);
            widget->setCompleter(nullptr);
        } else if constexpr (std::is_same_v<Widget, QLabel>) {
            widget->setText(text);
            widget->setTextFormat(Qt::PlainText);
            widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget->setWordWrap(true);
        } else {
            widget->setText(text);
        }
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
        if (widget->focusPolicy() != Qt::NoFocus)
            m_tabOrder.emplace_back(tabIndex, widget);
        return widget;
    }

    // A line from (x1, y1) to (x2, y2).
    static void line(const char *name,
                     QWidget *container,
                     int x1,
                     int y1,
                     int x2,
                     int y2,
                     QPalette::ColorRole colour)
    {
        auto *line = new LineControl(
                QLine(pixels(x1), pixels(y1), pixels(x2), pixels(y2)), colour, container);
        line->setObjectName(QString::fromLatin1(name));
    }

    void setTabOrder()
    {
        std::sort(m_tabOrder.begin(), m_tabOrder.end(), [](const auto &a, const auto &b) {
            return a.first < b.first;
        });
        for (size_t i = 1; i < m_tabOrder.size(); ++i)
            QWidget::setTabOrder(m_tabOrder[i - 1].second, m_tabOrder[i].second);
    }

private:
    std::vector<std::pair<int, QWidget *>> m_tabOrder;
};

} // namespace

void FormControls::setUp(QWidget *client)
{
    Builder b;
    QWidget *const form = client;
    // clang-format off
    //                            name         container        caption                       left   top  width height tab
    linkFrame = b.add<QGroupBox>(  "Frame1",    form,            QT_TR_NOOP("串口设置："),        60,    60, 2115, 2415,  0);
    b.add<QLabel>(                 "Label1",    linkFrame,       QT_TR_NOOP("Port："),           180,   300,  735,  255,  1);
    portBox = b.add<PortBox>(      "Combo1",    linkFrame,       "",                            960,   240,  915,  300,  5);
    b.add<QLabel>(                 "Label2",    linkFrame,       QT_TR_NOOP("Baud："),           180,   720,  735,  255,  2);
    baudBox = b.add<QComboBox>(    "Combo2",    linkFrame,       "",                            960,   660,  915,  300,  6);
    b.add<QLabel>(                 "Label3",    linkFrame,       QT_TR_NOOP("Bits："),           180,  1140,  735,  255,  3);
    dataBitsBox = b.add<QComboBox>("Combo3",    linkFrame,       "",                            960,  1080,  915,  300,  7);
    b.add<QLabel>(                 "Label4",    linkFrame,       QT_TR_NOOP("StopBits："),       120,  1560,  855,  255,  4);
    stopBitsBox = b.add<QComboBox>("Combo4",    linkFrame,       "",                            960,  1500,  915,  300,  8);
    openButton = b.add<QPushButton>("Command20", linkFrame,      QT_TR_NOOP("open com"),        180,  1860, 1695,  435, 11);

    alignmentFrame = b.add<QGroupBox>("Frame3", form,            QT_TR_NOOP("设置对齐："),        60,  2490, 2115,  675, 21);
    alignmentOptions = {b.add<QRadioButton>("Option1", alignmentFrame, QT_TR_NOOP("left"),     60,   300,  705,  285, 22),
                        b.add<QRadioButton>("Option2", alignmentFrame, QT_TR_NOOP("centre"),  660,   240,  885,  345, 23),
                        b.add<QRadioButton>("Option3", alignmentFrame, QT_TR_NOOP("right"),  1320,   240,  795,  405, 24)};
    speedFrame = b.add<QGroupBox>( "Frame4",    form,            QT_TR_NOOP("设置速度："),        60,  3180, 2115,  645, 19);
    speedOptions = {b.add<QRadioButton>("Option4", speedFrame,   QT_TR_NOOP("low"),              60,   210,  585,  345, 25),
                    b.add<QRadioButton>("Option5", speedFrame,   QT_TR_NOOP("middle"),          600,   240,  855,  315, 26),
                    b.add<QRadioButton>("Option6", speedFrame,   QT_TR_NOOP("high"),           1440,   240,  675,  315, 27)};
    densityFrame = b.add<QGroupBox>("Frame5",   form,            QT_TR_NOOP("设置浓度："),        60,  3840, 2115,  645, 20);
    densityOptions = {b.add<QRadioButton>("Option7", densityFrame, QT_TR_NOOP("thin"),            0,   240,  675,  315, 28),
                      b.add<QRadioButton>("Option8", densityFrame, QT_TR_NOOP("middle"),        600,   240,  855,  315, 29),
                      b.add<QRadioButton>("Option9", densityFrame, QT_TR_NOOP("thick"),        1320,   240,  795,  315, 30)};

    printFrame = b.add<QGroupBox>( "Frame2",    form,            QT_TR_NOOP("打印项目："),      2220,    60, 4575, 4425,  9);
    feedButton = b.add<QPushButton>("Command1", printFrame,      QT_TR_NOOP("Feed Paper"),      120,   240, 1125,  435, 10);
    attributeBox = b.add<QComboBox>("Combo6",   printFrame,      "",                           1410,   300, 1125,  300, 35);
    barcodeTypeBox = b.add<QComboBox>("Combo5", printFrame,      "",                           2670,   300, 1725,  300, 32);
    resetButton = b.add<QPushButton>("Command5", printFrame,     QT_TR_NOOP("Initialization"),  120,   780, 1125,  435, 12);
    attributeButton = b.add<QPushButton>("Command6", printFrame, QT_TR_NOOP("Print test"),     1410,   780, 1095,  435, 13);
    barcodeDataBox = b.add<QLineEdit>("Text1",  printFrame,      "",                           2670,   810, 1695,  345, 33);
    chineseButton = b.add<QPushButton>("Command4", printFrame,   QT_TR_NOOP("Chinese fonts"),   120,  1320, 1125,  435, 34);
    upDownButton = b.add<QPushButton>("Command13", printFrame,   QT_TR_NOOP("up-down"),        1410,  1320, 1125,  435, 15);
    barcodeButton = b.add<QPushButton>("Command11", printFrame,  QT_TR_NOOP("Print barcode"),  2700,  1350, 1695,  435, 31);
    testPageButton = b.add<QPushButton>("Command8", printFrame,  QT_TR_NOOP("test page"),       240,  1920, 1845,  435, 14);
    samplePageButton = b.add<QPushButton>("Command3", printFrame, QT_TR_NOOP("Sample page"),   2430,  1950, 1875,  435, 18);
    statusButton = b.add<QPushButton>("Command19", printFrame,
            QT_TR_NOOP("Checking printer（Real-time status transmission）"),                      120,  2550, 4275,  375, 17);
    statusLabel = b.add<QLabel>(   "Label5",    printFrame,      "",                            120,  2940, 4305, 1365, 16);
    // Separators: status area, page buttons, barcode controls.
    Builder::line("Line1", printFrame,   60, 2460, 4500, 2460, QPalette::Highlight);
    Builder::line("Line2", printFrame,   60, 1890, 4530, 1860, QPalette::Highlight);
    Builder::line("Line3", printFrame, 2580, 1860, 2580,  120, QPalette::Dark);
    // clang-format on
    b.setTabOrder();
    client->setMinimumSize(pixels(clientWidthTwips), pixels(clientHeightTwips));
}

} // namespace app
