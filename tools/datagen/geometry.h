// Outlines for the drawing kit: ellipses, rounded boxes, stars, arcs, smooth
// curves through control points, and rings (contours with holes).
#pragma once

#include "tools/datagen/raster.h"

namespace datagen {

constexpr float kPi = 3.14159265358979f;

Path Ellipse(Vec2 centre, float rx, float ry, int segments = 96);
Path Circle(Vec2 centre, float r, int segments = 96);
Path Box(float x0, float y0, float x1, float y1);
Path RoundedBox(float x0, float y0, float x1, float y1, float radius, int segmentsPerCorner = 8);
// A star of `points` tips between the two radii, first tip straight up (rotation 0).
Path Star(Vec2 centre, float outer, float inner, int points, float rotation = 0);
// Points on a circle from angle a0 to a1 (radians, 0 = right, growing clockwise on screen).
Path Arc(Vec2 centre, float r, float a0, float a1, int segments = 48);
// A closed smooth curve (Catmull–Rom) through the control points.
Path SmoothClosed(const Path& control, int stepsPerSegment = 12);
// An open smooth curve through the control points.
Path SmoothOpen(const Path& control, int stepsPerSegment = 12);
// Quadratic and cubic Bézier curves, including both end points.
Path QuadCurve(Vec2 a, Vec2 control, Vec2 b, int steps = 16);
Path CubicCurve(Vec2 a, Vec2 c1, Vec2 c2, Vec2 b, int steps = 24);
// The path reversed, for a hole under the non-zero rule.
Path Reversed(Path p);
// An annulus: outer circle and a hole.
Shape Ring(Vec2 centre, float outer, float inner, int segments = 128);
// A tapered stroke outline along an open path: width w0 at the start, w1 at the end.
Path TaperedStroke(const Path& spine, float w0, float w1);

// The y of the first segment of the path that spans x (the path's end y otherwise).
float PathYAt(const Path& path, float x);

}  // namespace datagen
