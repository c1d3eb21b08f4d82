#include "core/geometry/Label3DGeometry.h"

#include <cmath>
#include <cstdlib>

namespace linnery {

namespace {
constexpr long double kRadiansPerDegree = 0.017453292519943295769L;

struct SinCos {
    double sin, cos; // stored as doubles; the products are formed in extended precision again
};

SinCos sinCos(int degrees) {
    const long double radians = degrees * kRadiansPerDegree;
    return {static_cast<double>(std::sin(radians)), static_cast<double>(std::cos(radians))};
}

int truncated(long double value) {
    return static_cast<int>(std::trunc(value));
}

long double ext(double value) {
    return static_cast<long double>(value);
}
} // namespace

int normalizedLabelAngle(int angle) {
    return angle < 0 || angle > 359 ? 0 : angle;
}

RotatedTextGeometry rotatedTextGeometry(int angle, int w, int h, int depth) {
    RotatedTextGeometry g;
    g.angle = normalizedLabelAngle(angle);

    // The shift works with the angle reduced into its quadrant.
    int reduced = g.angle;
    while (reduced > 90)
        reduced -= 90;
    const SinCos a = sinCos(reduced);
    const long double W = w, H = h;
    if (g.angle == 0) {
    } else if (g.angle <= 90) {
        g.shiftY = truncated(W * ext(a.sin));
    } else if (g.angle <= 180) {
        g.shiftX = truncated(W * ext(a.sin));
        g.shiftY = truncated(W * ext(a.cos) + H * ext(a.sin));
    } else if (g.angle <= 270) {
        g.shiftX = truncated(W * ext(a.cos) + H * ext(a.sin));
        g.shiftY = truncated(H * ext(a.cos));
    } else {
        g.shiftX = truncated(H * ext(a.cos));
    }

    // The size works with the full angle.
    const SinCos full = sinCos(g.angle);
    g.width = std::abs(truncated(H * ext(full.sin))) + std::abs(truncated(W * ext(full.cos))) + depth / 2;
    g.height = std::abs(truncated(W * ext(full.sin))) + std::abs(truncated(H * ext(full.cos))) + depth / 2;
    return g;
}

} // namespace linnery
