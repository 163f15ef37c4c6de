#include "mainwindow/window_placement.h"

#include <algorithm>

namespace qmk {

namespace {

// The settings' defaults: form left 50, top 50, right 576, bottom 634.
constexpr int kDefaultWidth = 526;
constexpr int kDefaultHeight = 584;

// Moves [start, start + length) inside [low, high); a length past the room is cut to it.
void fit(int& start, int& length, int low, int high) {
    length = std::min(length, high - low);
    start = std::clamp(start, low, high - length);
}

} // namespace

Placement placeOnScreen(Placement saved, const Placement& screen) {
    int width = saved.width() > 0 ? saved.width() : kDefaultWidth;
    int height = saved.height() > 0 ? saved.height() : kDefaultHeight;
    fit(saved.left, width, screen.left, screen.right);
    fit(saved.top, height, screen.top, screen.bottom);
    return {saved.left, saved.top, saved.left + width, saved.top + height};
}

Placement firstPlacement(int width, int height, const Placement& screen) {
    width = std::min(std::max(width, kDefaultWidth), screen.width());
    height = std::min(std::max(height, kDefaultHeight), screen.height());
    const int left = screen.left + (screen.width() - width) / 2;
    const int top = screen.top + (screen.height() - height) / 2;
    return {left, top, left + width, top + height};
}

} // namespace qmk
