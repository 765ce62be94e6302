#pragma once

#include <QIcon>
#include <QPixmap>

namespace vantrel {

// The pictures of the tool bar buttons, drawn rather than loaded, so they stay sharp at any
// scale of the screen.
enum class TGlyph { New, Open, Save, SaveAs, Cut, Copy, Paste, About };

[[nodiscard]] QIcon GlyphIcon(TGlyph glyph);

// The splash window's picture: a chip in a programming socket, `width` by `height`.
[[nodiscard]] QPixmap ChipPicture(int width, int height, qreal devicePixelRatio);

}  // namespace vantrel
