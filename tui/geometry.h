// Integer screen geometry: points and rectangles of cells.
#pragma once

namespace tui {

// A cell position: column x, row y.
class point {
public:
    constexpr point(int x = 0, int y = 0) : x_(x), y_(y) {}

    constexpr int x() const { return x_; }
    constexpr int y() const { return y_; }
    // Sets both coordinates.
    void set(int x, int y)
    {
        x_ = x;
        y_ = y;
    }
    point operator+(const point& o) const { return {x_ + o.x_, y_ + o.y_}; }
    point operator-(const point& o) const { return {x_ - o.x_, y_ - o.y_}; }
    point& operator+=(const point& o);
    point& operator-=(const point& o);
    bool operator==(const point&) const = default;
    // Absolute difference of the x coordinates.
    int dx(const point& o) const;
    // Absolute difference of the y coordinates.
    int dy(const point& o) const;
    // Floor of the Euclidean distance.
    int distance(const point& o) const;

protected:
    int x_;
    int y_;
};

// A rectangle of cells: an origin and a size.
class rect : public point {
public:
    rect(int x = 0, int y = 0, int width = 0, int height = 0) : point(x, y), width_(width), height_(height) {}
    rect(point origin, int width, int height) : point(origin), width_(width), height_(height) {}
    // The rectangle spanned by two corners, both included.
    rect(point a, point b);
    virtual ~rect() = default;
    rect(const rect&) = default;
    rect& operator=(const rect&) = default;

    point origin() const { return {x_, y_}; }
    virtual int width() const { return width_; }
    virtual int height() const { return height_; }
    // Sets the stored size.
    void setSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }
    void setSize(point size) { setSize(size.x(), size.y()); }
    // Adds to the stored size.
    void grow(int dw, int dh)
    {
        width_ += dw;
        height_ += dh;
    }
    // Whether the cell lies inside.
    bool contains(const point& p) const;
    // Whether the other rectangle lies wholly inside.
    bool contains(const rect& r) const;
    // Whether the two rectangles share at least one cell.
    bool intersects(const rect& r) const;
    // The overlap; its size is zero or negative when they do not meet.
    rect intersection(const rect& r) const;

protected:
    int width_;
    int height_;
};

}  // namespace tui
