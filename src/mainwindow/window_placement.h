#pragma once

namespace qmk {

// A window's rectangle as the settings keep it: the right and bottom edges lie one past the
// last pixel, so right - left is the width.
struct Placement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Placement&) const = default;
};

// The saved placement kept on `screen` (the screen's usable area): no wider or taller than it,
// and moved inside it when it would leave it. A placement of no size gets the default's size.
Placement placeOnScreen(Placement saved, const Placement& screen);

// The first placement, when none is stored: `width` by `height` (what the window needs to show
// its whole tool bar and some lines of body), never smaller than the stored default's size,
// never larger than `screen`, and centred on it.
Placement firstPlacement(int width, int height, const Placement& screen);

} // namespace qmk
