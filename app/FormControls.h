#pragma once

#include <QCoreApplication>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace app {

class PortBox;

inline constexpr int twipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return twips / twipsPerPixel;
}

// The window's controls by their role, built from one table of twip rectangles; each keeps the
// design's name as its object name.
struct FormControls
{
    Q_DECLARE_TR_FUNCTIONS(app::FormControls)

public:
    void setUp(QWidget *client);

    QGroupBox *linkFrame = nullptr;
    PortBox *portBox = nullptr;
    QComboBox *baudBox = nullptr;
    QComboBox *dataBitsBox = nullptr;
    QComboBox *stopBitsBox = nullptr;
    QPushButton *openButton = nullptr;

    QGroupBox *alignmentFrame = nullptr;
    QGroupBox *speedFrame = nullptr;
    QGroupBox *densityFrame = nullptr;
    std::array<QRadioButton *, 3> alignmentOptions = {}; // left, centre, right
    std::array<QRadioButton *, 3> speedOptions = {};     // low, middle, high
    std::array<QRadioButton *, 3> densityOptions = {};   // thin, middle, thick

    QGroupBox *printFrame = nullptr;
    QPushButton *feedButton = nullptr;
    QPushButton *resetButton = nullptr;
    QComboBox *attributeBox = nullptr;
    QPushButton *attributeButton = nullptr;
    QComboBox *barcodeTypeBox = nullptr;
    QLineEdit *barcodeDataBox = nullptr;
    QPushButton *barcodeButton = nullptr;
    QPushButton *chineseButton = nullptr;
    QPushButton *upDownButton = nullptr;
    QPushButton *testPageButton = nullptr;
    QPushButton *samplePageButton = nullptr;
    QPushButton *statusButton = nullptr;
    QLabel *statusLabel = nullptr;
};

} // namespace app
