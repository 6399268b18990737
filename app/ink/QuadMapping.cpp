#include "ink/QuadMapping.h"

#include <cmath>
#include <limits>

namespace {

// Truncation towards zero. Extrapolating far outside a nearly degenerate
// quadrilateral can exceed the int range or give NaN; those saturate (NaN
// becomes 0) instead of being undefined conversions.
int32_t Truncate(double v)
{
    if (std::isnan(v))
        return 0;
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

void StoreCorners(CQuadMapping::Point (&corners)[4], const int32_t (&values)[8])
{
    for (int i = 0; i < 4; ++i) {
        corners[i].x = values[2 * i];
        corners[i].y = values[2 * i + 1];
    }
}

} // namespace

CQuadMapping::CQuadMapping()
    : source_{}, target_{}, sourceSet_(false), targetSet_(false), s_(0.0), t_(0.0), traceStream_(stdout)
{
}

void CQuadMapping::SetSource(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             int32_t x3, int32_t y3)
{
    StoreCorners(source_, {x0, y0, x1, y1, x2, y2, x3, y3});
    sourceSet_ = true;
}

void CQuadMapping::SetTarget(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             int32_t x3, int32_t y3)
{
    StoreCorners(target_, {x0, y0, x1, y1, x2, y2, x3, y3});
    targetSet_ = true;
}

// Solves P = (1-s)(1-t)P0 + (1-s)t P1 + s t P2 + s(1-t) P3 for (s, t). Only
// the root (-qb - sqrt(disc)) / 2qa is used: for the near-rectangular sheets
// the calibration deals with, it is the one that lands on the sheet. Zero
// tests are exact: a degenerate quadrilateral takes the linear and zero
// branches instead of dividing by zero.
bool CQuadMapping::Invert(int32_t x, int32_t y)
{
    if (!sourceSet_)
        return false;

    const Point& p0 = source_[0];
    const Point& p1 = source_[1];
    const Point& p2 = source_[2];
    const Point& p3 = source_[3];
    const Point a{p1.x - p0.x, p1.y - p0.y};
    const Point b{p3.x - p0.x, p3.y - p0.y};
    const Point c{p0.x - p1.x + p2.x - p3.x, p0.y - p1.y + p2.y - p3.y};
    const Point d{x - p0.x, y - p0.y};

    const double qa = a.y * c.x - c.y * a.x;
    const double qb = d.x * c.y - b.y * a.x + b.x * a.y - d.y * c.x;
    const double qc = b.y * d.x - d.y * b.x;

    double root;
    if (qa == 0.0) {
        root = qb != 0.0 ? -qc / qb : 0.0;
    } else {
        const double disc = qb * qb - 4.0 * qa * qc;
        if (disc < 0.0) {
            s_ = 0.0;
            t_ = 0.0;
            return false;
        }
        root = (-qb - std::sqrt(disc)) / (2.0 * qa);
    }
    t_ = root;

    const double denomX = b.x + t_ * c.x;
    const double denomY = b.y + t_ * c.y;
    if (denomX != 0.0)
        s_ = (d.x - t_ * a.x) / denomX;
    else if (denomY != 0.0)
        s_ = (d.y - t_ * a.y) / denomY;
    else
        s_ = 0.0;
    return true;
}

CQuadMapping::IntPoint CQuadMapping::Evaluate() const
{
    if (!targetSet_)
        return {0, 0};
    const Point& q0 = target_[0];
    const Point& q1 = target_[1];
    const Point& q2 = target_[2];
    const Point& q3 = target_[3];
    const Point e0{q0.x + t_ * (q1.x - q0.x), q0.y + t_ * (q1.y - q0.y)};
    const Point e1{q3.x + t_ * (q2.x - q3.x), q3.y + t_ * (q2.y - q3.y)};
    return {Truncate(e0.x + s_ * (e1.x - e0.x)), Truncate(e0.y + s_ * (e1.y - e0.y))};
}

CQuadMapping::IntPoint CQuadMapping::MapPoint(int32_t x, int32_t y)
{
    if (!sourceSet_ || !targetSet_)
        return {0, 0};

    if (IsIdentity())
        return {x, y};

    if (!Invert(x, y))
        return {0, 0};
    return Evaluate();
}

bool CQuadMapping::IsIdentity() const
{
    for (int i = 0; i < 4; ++i) {
        if (source_[i].x != target_[i].x || source_[i].y != target_[i].y)
            return false;
    }
    return true;
}

void CQuadMapping::MapRecords(StrokeSample* records, uint32_t count)
{
    // A sheet lying where the keyboard expects it leaves every record as it
    // is; the check is made once for the page, not once per sample.
    if (sourceSet_ && targetSet_ && IsIdentity())
        return;
    // End records are mapped too; their coordinates carry no meaning. Results
    // outside the 16-bit range keep their low 16 bits.
    for (uint32_t i = 0; i < count; ++i) {
        const IntPoint mapped = MapPoint(records[i].x, records[i].y);
        records[i].x = static_cast<int16_t>(static_cast<uint16_t>(mapped.x));
        records[i].y = static_cast<int16_t>(static_cast<uint16_t>(mapped.y));
    }
}

void CQuadMapping::TracePoint(int32_t x, int32_t y)
{
    const IntPoint mapped = MapPoint(x, y);
    if (traceStream_ == nullptr)
        return;
    std::fprintf(traceStream_, "Ps = (%d, %d), s = %lf, t = %lf, Pd = (%d, %d)\n", x, y, s_, t_,
                 mapped.x, mapped.y);
}

void CQuadMapping::SelfTest()
{
    SetSource(0, 0, 80, -10, 120, 120, -20, 100);
    SetTarget(0, 0, 100, 0, 100, 100, 0, 100);

    static const IntPoint probes[] = {{50, 50},  {0, 0},    {250, 150}, {-50, 50},   {50, -50},
                                      {0, 100}, {100, 100}, {100, 0},   {-100, -100}, {0, -100}};
    for (const IntPoint& p : probes)
        TracePoint(p.x, p.y);
}
