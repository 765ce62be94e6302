#pragma once

#include <QFont>
#include <QFontInfo>

namespace vantrel {

// The windows were drawn for text 13 pixels high (Arial 9.75 points at 96 dpi); their sizes
// grow with the font the desktop gives them.
inline constexpr double kDesignPixelSize = 13.0;

// How much larger than the design text `font` is on this screen.
[[nodiscard]] inline double DesignScale(const QFont& font) {
    return QFontInfo(font).pixelSize() / kDesignPixelSize;
}

}  // namespace vantrel
