#include "inkgen/PenModel.h"

#include <algorithm>
#include <cmath>

namespace inkgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTremor = 4.0;

double Distance(PenPoint a, PenPoint b) { return std::hypot(b.x - a.x, b.y - a.y); }

} // namespace

double Jitter::Uniform(double low, double high)
{
    // 32 random bits are plenty for positions in pen units.
    const double unit = static_cast<double>(engine_()) / 4294967296.0;
    return low + (high - low) * unit;
}

int Jitter::Integer(int low, int high)
{
    const auto span = static_cast<uint32_t>(high - low) + 1;
    return low + static_cast<int>(engine_() % span);
}

PenPoint SheetPose::Apply(PenPoint p) const
{
    const double a = degrees * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double rx = p.x - centre.x;
    const double ry = p.y - centre.y;
    // With y pointing down this turns clockwise as seen on the sheet.
    return {centre.x + c * rx - s * ry + dx, centre.y + s * rx + c * ry + dy};
}

PenPath TapPath(PenPoint at, Jitter& jitter)
{
    PenPath path{at};
    const int count = jitter.Integer(3, 6);
    PenPoint p = at;
    for (int i = 1; i < count; ++i) {
        p.x = std::clamp(p.x + jitter.Around(12), at.x - 40, at.x + 40);
        p.y = std::clamp(p.y + jitter.Around(12), at.y - 40, at.y + 40);
        path.push_back(p);
    }
    return path;
}

PenPath GesturePath(PenPoint middle, bool upwards, Jitter& jitter)
{
    const double length = jitter.Uniform(560, 660);
    const double angle = jitter.Uniform(35, 60) * kPi / 180.0;
    const double sign = upwards ? 1.0 : -1.0;
    const double vx = sign * length * std::cos(angle);
    const double vy = -sign * length * std::sin(angle);
    const PenPoint first{middle.x - vx / 2, middle.y - vy / 2};

    // A hand-drawn stroke bows a little to one side and speeds up in its
    // middle, so the samples are denser at both ends.
    const double bow = jitter.Around(25);
    const int count = jitter.Integer(14, 22);
    PenPath path;
    for (int i = 0; i <= count; ++i) {
        const double u = static_cast<double>(i) / count;
        const double eased = 0.5 - 0.5 * std::cos(u * kPi);
        const double side = bow * std::sin(u * kPi);
        PenPoint p{first.x + eased * vx - side * vy / length, first.y + eased * vy + side * vx / length};
        if (i > 0 && i < count) {
            p.x += jitter.Around(kTremor);
            p.y += jitter.Around(kTremor);
        }
        path.push_back(p);
    }
    return path;
}

PenPath TracePolyline(const PenPath& corners, Jitter& jitter)
{
    PenPath path;
    if (corners.empty())
        return path;
    path.push_back(corners.front());
    for (size_t k = 1; k < corners.size(); ++k) {
        const PenPoint a = corners[k - 1];
        const PenPoint b = corners[k];
        const double length = Distance(a, b);
        double travelled = jitter.Uniform(25, 35);
        while (travelled < length - 10) {
            const double u = travelled / length;
            path.push_back({a.x + u * (b.x - a.x) + jitter.Around(kTremor),
                            a.y + u * (b.y - a.y) + jitter.Around(kTremor)});
            travelled += jitter.Uniform(25, 35);
        }
        path.push_back(b);
    }
    return path;
}

PenPath CirclePath(PenPoint centre, double radius, Jitter& jitter)
{
    // Drawn clockwise from the top, overlapping its start a little as a hand
    // closes a circle.
    const double start = -kPi / 2 + jitter.Around(0.3);
    const double sweep = 2 * kPi + jitter.Uniform(0.05, 0.25);
    const int count = std::max(12, static_cast<int>(sweep * radius / 30));
    const double squash = 1.0 + jitter.Around(0.05);
    PenPath path;
    for (int i = 0; i <= count; ++i) {
        const double a = start + sweep * i / count;
        const double r = radius + jitter.Around(kTremor);
        path.push_back({centre.x + r * std::cos(a) * squash, centre.y + r * std::sin(a) / squash});
    }
    return path;
}

PenPath RectanglePath(PenPoint topLeft, PenPoint bottomRight, Jitter& jitter)
{
    const PenPath corners{topLeft,
                          {bottomRight.x, topLeft.y},
                          bottomRight,
                          {topLeft.x, bottomRight.y},
                          {topLeft.x + jitter.Around(8), topLeft.y + jitter.Around(8)}};
    return TracePolyline(corners, jitter);
}

PenPath SignaturePath(PenPoint topLeft, double width, double height, Jitter& jitter)
{
    // A chain of cursive loops, tall and short by turns, on a baseline three
    // quarters down the box, then a flourish that swings back underneath.
    // Each loop is a prolate cycloid arc: the pen runs forward along the
    // baseline while circling, and its backward motion at the top of the
    // circle draws the loop. Heights change only on the baseline, so the line
    // stays continuous.
    const double baseline = topLeft.y + height * 0.75;
    const int loops = std::max(3, static_cast<int>(width / (height * 0.55)));
    const double step = width * 0.85 / (loops * 2 * kPi);
    const int samplesPerLoop = 32;
    PenPath path;
    double loopHeight = 0;
    for (int i = 0; i <= loops * samplesPerLoop; ++i) {
        if (i % samplesPerLoop == 0)
            loopHeight = height * 0.7 * (jitter.Uniform(0, 1) < 0.4 ? jitter.Uniform(0.85, 1.0) : jitter.Uniform(0.4, 0.6));
        const double a = 2 * kPi * i / samplesPerLoop;
        const double x = topLeft.x + step * a + loopHeight * 0.3 * std::sin(a);
        const double y = baseline - loopHeight * (1 - std::cos(a)) / 2;
        path.push_back({x + jitter.Around(kTremor), y + jitter.Around(kTremor)});
    }
    // The flourish: a quadratic curve out to the right and back below the
    // loops, ending under the first third of the name.
    const PenPoint from = path.back();
    const PenPoint control{topLeft.x + width, topLeft.y + height * 1.05};
    const PenPoint to{topLeft.x + width * jitter.Uniform(0.15, 0.3), topLeft.y + height * jitter.Uniform(0.9, 0.98)};
    const int tail = 24;
    for (int i = 1; i <= tail; ++i) {
        const double u = static_cast<double>(i) / tail;
        const double v = 1 - u;
        path.push_back({v * v * from.x + 2 * u * v * control.x + u * u * to.x + jitter.Around(kTremor),
                        v * v * from.y + 2 * u * v * control.y + u * u * to.y + jitter.Around(kTremor)});
    }
    return path;
}

} // namespace inkgen
