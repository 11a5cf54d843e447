// SPDX-License-Identifier: MIT
#pragma once
// The look that the splash window and the About box share: black ground, dark orange type.

class QLabel;
class QWidget;

namespace rq {

// Text colour of the description, version and credit lines on the black ground.
inline constexpr int kCreditRed = 128, kCreditGreen = 64, kCreditBlue = 0;

// Black ground and dark orange text for the widget and every child that keeps its palette.
void paintBlack(QWidget& widget);
// Type sizes are given in pixels, which a layout file cannot say.
void setCreditFont(QLabel& label, int pixelSize, bool bold, bool serif);

}  // namespace rq
