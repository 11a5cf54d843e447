// SPDX-License-Identifier: MIT
#pragma once
// The windows' fixed layouts are drawn for the standard font (12 pixels, 9 points at 96 dots
// per inch). With a larger font (a larger size, or a higher font resolution) every position,
// size and pixel-sized type grows by the font's size against the standard one, so that no text
// is clipped; at the standard font the layout stays exactly as drawn.

class QWidget;

namespace rq {

inline constexpr int kStandardFontPixels = 12;

// The application font's size against the standard one; 1 at the standard font or smaller.
double fontScale();

// Scales the window's own size and fixed limits and, below it, every widget that no layout
// places, and every type set in pixels. Widgets placed by layouts follow by themselves.
void scaleForFont(QWidget& window, double scale = fontScale());

// `pixels` at the application font's scale, for sizes set in code.
int scaled(int pixels);

}  // namespace rq
