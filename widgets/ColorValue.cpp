#include "widgets/ColorValue.h"

namespace linnery {

namespace {
struct SystemColor {
    TColor number;
    QPalette::ColorRole role;
};

constexpr SystemColor kSystemColors[] = {
    {5, QPalette::Base},         {8, QPalette::Text},
    {13, QPalette::Highlight},   {14, QPalette::HighlightedText},
    {15, QPalette::Button},      {16, QPalette::Dark},
    {18, QPalette::ButtonText},  {20, QPalette::Light},
    {21, QPalette::Shadow},      {22, QPalette::Midlight},
    {23, QPalette::ToolTipText}, {24, QPalette::ToolTipBase},
};
} // namespace

QColor colorFromValue(TColor value, const QPalette& palette) {
    if (!(value & 0x80000000u))
        return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    for (const SystemColor& c : kSystemColors)
        if (c.number == (value & 0x7FFFFFFFu))
            return palette.color(c.role);
    // Menus, captions, the desktop: the window's own colour stands in for them.
    return palette.color(QPalette::Window);
}

} // namespace linnery
