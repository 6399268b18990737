#pragma once

#include <cstdint>
#include <random>
#include <vector>

// How a hand moves a pen, in sheet coordinates (pen units of the printed
// sheet, y downward, before the sheet's own shift and turn). Every shape is
// drawn with small deterministic irregularities from a seeded generator, so a
// script always yields the same file.
namespace inkgen {

struct PenPoint {
    double x = 0;
    double y = 0;
};

using PenPath = std::vector<PenPoint>;

// Uniform numbers from the raw Mersenne Twister output: std::uniform_*
// distributions differ between standard libraries, the engine does not.
class Jitter {
public:
    explicit Jitter(uint32_t seed) : engine_(seed) {}
    void Reseed(uint32_t seed) { engine_.seed(seed); }

    double Uniform(double low, double high);
    // Uniform in [-spread, spread].
    double Around(double spread) { return Uniform(-spread, spread); }
    int Integer(int low, int high);  // inclusive

private:
    std::mt19937 engine_;
};

// Where the sheet lies on the notepad: turned by `degrees` (clockwise as seen
// on the sheet) about `centre`, then shifted by (dx, dy). The identity by
// default.
struct SheetPose {
    double dx = 0;
    double dy = 0;
    double degrees = 0;
    PenPoint centre;

    PenPoint Apply(PenPoint p) const;
};

// A short dab: three to six samples within 40 units of `at`, the first exactly
// at `at`.
PenPath TapPath(PenPoint at, Jitter& jitter);

// A stroke of about 600 units whose midpoint lies at `middle`. Upwards it ends
// higher and further right than it starts, downwards lower and further left;
// the angle to the horizontal stays between 35 and 60 degrees, so both
// extents exceed the tap limit of 250. The first and last points are exact.
PenPath GesturePath(PenPoint middle, bool upwards, Jitter& jitter);

// Pen travel along straight segments, one sample every 25 to 35 units and a
// tremor of a few units; corners are kept exactly.
PenPath TracePolyline(const PenPath& corners, Jitter& jitter);
PenPath CirclePath(PenPoint centre, double radius, Jitter& jitter);
PenPath RectanglePath(PenPoint topLeft, PenPoint bottomRight, Jitter& jitter);
// A signature inside the box: cursive loops and a flourish underneath.
PenPath SignaturePath(PenPoint topLeft, double width, double height, Jitter& jitter);

} // namespace inkgen
