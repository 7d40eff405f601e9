#include "geometry.h"

#include <algorithm>
#include <cstdlib>

namespace tui {

point& point::operator+=(const point& o)
{
    x_ += o.x_;
    y_ += o.y_;
    return *this;
}

point& point::operator-=(const point& o)
{
    x_ -= o.x_;
    y_ -= o.y_;
    return *this;
}

int point::dx(const point& o) const
{
    return std::abs(x_ - o.x_);
}

int point::dy(const point& o) const
{
    return std::abs(y_ - o.y_);
}

int point::distance(const point& o) const
{
    long long n = static_cast<long long>(dx(o)) * dx(o) + static_cast<long long>(dy(o)) * dy(o);
    // Integer square root: count the odd numbers that fit.
    int root = 0;
    for (long long odd = 1; n >= odd; odd += 2) {
        n -= odd;
        ++root;
    }
    return root;
}

rect::rect(point a, point b)
    : point(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
      width_(std::abs(a.x() - b.x()) + 1),
      height_(std::abs(a.y() - b.y()) + 1)
{
}

bool rect::contains(const point& p) const
{
    return x_ <= p.x() && p.x() < x_ + width() && y_ <= p.y() && p.y() < y_ + height();
}

bool rect::contains(const rect& r) const
{
    return r.x() >= x_ && r.y() >= y_ && r.x() + r.width() <= x_ + width() &&
           r.y() + r.height() <= y_ + height();
}

bool rect::intersects(const rect& r) const
{
    rect o = intersection(r);
    return o.width() > 0 && o.height() > 0;
}

rect rect::intersection(const rect& r) const
{
    int left = std::max(x_, r.x());
    int top = std::max(y_, r.y());
    int right = std::min(x_ + width(), r.x() + r.width());
    int bottom = std::min(y_ + height(), r.y() + r.height());
    return rect(left, top, right - left, bottom - top);
}

}  // namespace tui
