#include "app/FormLayout.h"

#include <array>

namespace app {

std::span<const ControlSpec> formLayout()
{
    using K = ControlKind;
    static constexpr std::array<ControlSpec, 39> table = {{
            // name, container, kind, caption, left, top, width, height, tab index
            {"Frame1", nullptr, K::Frame, "串口设置：", 60, 60, 2115, 2415, 0},
            {"Label1", "Frame1", K::Label, "Port：", 180, 300, 735, 255, 1},
            {"Combo1", "Frame1", K::ComboBox, "", 960, 240, 915, 300, 5},
            {"Label2", "Frame1", K::Label, "Baud：", 180, 720, 735, 255, 2},
            {"Combo2", "Frame1", K::ComboBox, "", 960, 660, 915, 300, 6},
            {"Label3", "Frame1", K::Label, "Bits：", 180, 1140, 735, 255, 3},
            {"Combo3", "Frame1", K::ComboBox, "", 960, 1080, 915, 300, 7},
            {"Label4", "Frame1", K::Label, "StopBits：", 120, 1560, 855, 255, 4},
            {"Combo4", "Frame1", K::ComboBox, "", 960, 1500, 915, 300, 8},
            {"Command20", "Frame1", K::Button, "open com", 180, 1860, 1695, 435, 11},
            {"Frame3", nullptr, K::Frame, "设置对齐：", 60, 2490, 2115, 675, 21},
            {"Option1", "Frame3", K::Option, "left", 60, 300, 705, 285, 22},
            {"Option2", "Frame3", K::Option, "centre", 660, 240, 885, 345, 23},
            {"Option3", "Frame3", K::Option, "right", 1320, 240, 795, 405, 24},
            {"Frame4", nullptr, K::Frame, "设置速度：", 60, 3180, 2115, 645, 19},
            {"Option4", "Frame4", K::Option, "low", 60, 210, 585, 345, 25},
            {"Option5", "Frame4", K::Option, "middle", 600, 240, 855, 315, 26},
            {"Option6", "Frame4", K::Option, "high", 1440, 240, 675, 315, 27},
            {"Frame5", nullptr, K::Frame, "设置浓度：", 60, 3840, 2115, 645, 20},
            {"Option7", "Frame5", K::Option, "thin", 0, 240, 675, 315, 28},
            {"Option8", "Frame5", K::Option, "middle", 600, 240, 855, 315, 29},
            {"Option9", "Frame5", K::Option, "thick", 1320, 240, 795, 315, 30},
            {"Frame2", nullptr, K::Frame, "打印项目：", 2220, 60, 4575, 4425, 9},
            {"Command1", "Frame2", K::Button, "Feed Paper", 120, 240, 1125, 435, 10},
            {"Combo6", "Frame2", K::ComboBox, "", 1410, 300, 1125, 300, 35},
            {"Combo5", "Frame2", K::ComboBox, "", 2670, 300, 1725, 300, 32},
            {"Command5", "Frame2", K::Button, "Initialization", 120, 780, 1125, 435, 12},
            {"Command6", "Frame2", K::Button, "Print test", 1410, 780, 1095, 435, 13},
            {"Text1", "Frame2", K::TextBox, "", 2670, 810, 1695, 345, 33},
            {"Command4", "Frame2", K::Button, "Chinese fonts", 120, 1320, 1125, 435, 34},
            {"Command13", "Frame2", K::Button, "up-down", 1410, 1320, 1125, 435, 15},
            {"Command11", "Frame2", K::Button, "Print barcode", 2700, 1350, 1695, 435, 31},
            {"Command8", "Frame2", K::Button, "test page", 240, 1920, 1845, 435, 14},
            {"Command3", "Frame2", K::Button, "Sample page", 2430, 1950, 1875, 435, 18},
            {"Command19",
             "Frame2",
             K::Button,
             "Checking printer（Real-time status transmission）",
             120,
             2550,
             4275,
             375,
             17},
            {"Label5", "Frame2", K::Label, "", 120, 2940, 4305, 1365, 16},
            // Separators: status area, page buttons, barcode controls.
            {"Line1", "Frame2", K::Line, "", 60, 2460, 4440, 0, -1, QPalette::Highlight},
            {"Line2", "Frame2", K::Line, "", 60, 1890, 4470, -30, -1, QPalette::Highlight},
            {"Line3", "Frame2", K::Line, "", 2580, 1860, 0, -1740, -1, QPalette::Dark},
    }};
    return table;
}

} // namespace app
