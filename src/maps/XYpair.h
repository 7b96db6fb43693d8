#pragma once

namespace corvane {

// A pair of x and y, for module units (int) and display units (double).
template <typename T>
struct XYpair {
    T x{};
    T y{};

    XYpair() = default;
    XYpair(T xValue, T yValue) : x(xValue), y(yValue) {}
    XYpair(const XYpair&) = default;
    XYpair& operator=(const XYpair& other) {
        if (this != &other) {
            x = other.x;
            y = other.y;
        }
        return *this;
    }
    virtual ~XYpair() = default;

    friend bool operator==(const XYpair& a, const XYpair& b) { return a.x == b.x && a.y == b.y; }
};

}  // namespace corvane
