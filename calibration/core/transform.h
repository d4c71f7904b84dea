#pragma once
// The projective calibration transform: four sensor points to the unit square.

struct Vec3 {
    double x, y, z;
};
