#pragma once

#include "ink/StrokeSample.h"

#include <cstdint>
#include <cstdio>

// The calibration mapping: a point is located by its bilinear parameters (s, t)
// inside the measured quadrilateral (source) and placed at the same parameters
// inside the reference quadrilateral (target). Points outside are extrapolated.
//
// There is one mapping per program run; the main window owns it and everyone
// else holds a non-owning pointer. Invert and MapPoint write s and t, so one
// object cannot be used from two threads.
class CQuadMapping {
public:
    struct Point {
        double x;
        double y;
    };
    struct IntPoint {
        int32_t x;
        int32_t y;
    };

    CQuadMapping();

    void SetSource(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                   int32_t y3);
    void SetTarget(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                   int32_t y3);

    bool Invert(int32_t x, int32_t y);
    IntPoint Evaluate() const;
    IntPoint MapPoint(int32_t x, int32_t y);
    void MapRecords(StrokeSample* records, uint32_t count);
    void TracePoint(int32_t x, int32_t y);
    void SelfTest();

    // Where TracePoint writes its lines: standard output unless redirected.
    // The stream is not owned.
    void SetTraceStream(std::FILE* stream) { traceStream_ = stream; }

    const Point* Source() const { return source_; }
    const Point* Target() const { return target_; }
    bool IsSourceSet() const { return sourceSet_; }
    bool IsTargetSet() const { return targetSet_; }
    double S() const { return s_; }
    double T() const { return t_; }

private:
    // The source quadrilateral is the target: points map onto themselves.
    bool IsIdentity() const;

    Point source_[4];
    Point target_[4];
    bool sourceSet_;
    bool targetSet_;
    double s_;
    double t_;
    std::FILE* traceStream_;
};
