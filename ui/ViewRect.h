// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Integer rectangles and points of the image view, in device pixels. The
// right and bottom edges are exclusive, as in the view's geometry rules.

#include <algorithm>

namespace vestiscop::ui {

struct ViewPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

struct ViewRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    ViewRect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }

    // The smallest rectangle holding both; an empty operand adds nothing.
    ViewRect united(const ViewRect& other) const
    {
        if (other.isEmpty())
            return *this;
        if (isEmpty())
            return other;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }

    // The common part; empty (all zero) when they do not overlap.
    ViewRect intersected(const ViewRect& other) const
    {
        const ViewRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                         std::min(bottom, other.bottom)};
        return r.isEmpty() ? ViewRect{} : r;
    }

    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

} // namespace vestiscop::ui
