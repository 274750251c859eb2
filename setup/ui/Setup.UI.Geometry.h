// The wizard's frame and its pages, in 96-DPI units of the 640 x 480 client area: one place for
// the form, which draws the frame, and for the pages, which place their controls.
#pragma once

#ifndef _WIN32
#error "Setup.UI.Geometry.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

namespace Setup::UI {

// The frame's rectangles, in 96-DPI units of the 640 x 480 client area.
namespace WizardGeometry {
inline constexpr int kWidth = 640, kHeight = 480;
inline constexpr RECT kHeader{0, 0, kWidth, 53};
inline constexpr RECT kHeaderLine{0, 52, kWidth, 53};
inline constexpr RECT kStrip{0, 53, kWidth, 63};
inline constexpr RECT kPageArea{0, 67, kWidth, 436};
inline constexpr RECT kFullScreenPageArea{0, 0, kWidth, 436};
inline constexpr RECT kBottomBar{0, 436, kWidth, kHeight};
inline constexpr RECT kTitleArea{144, 6, kWidth - 16, 53 - 12};
inline constexpr RECT kVersionLabel{12, 447, 12 + 257, 447 + 25};
inline constexpr RECT kBackButton{384, 447, 384 + 121, 447 + 25};
inline constexpr RECT kNextButton{511, 447, 511 + 121, 447 + 25};
// The pages' own sizes, the rectangles their controls are placed in.
inline constexpr int kPageWidth = kPageArea.right - kPageArea.left;
inline constexpr int kPageHeight = kPageArea.bottom - kPageArea.top;
inline constexpr int kFullScreenPageHeight = kFullScreenPageArea.bottom - kFullScreenPageArea.top;
} // namespace WizardGeometry

} // namespace Setup::UI
