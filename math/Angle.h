/// \file
/// Degree to radian conversion shared by the rotation routines. Angles are given
/// in degrees everywhere in the engine; the trigonometry itself runs in double.
#pragma once

/// Pi, in double precision.
constexpr double kPi = 3.141592653589793;

/// angle * pi / 180, in that order, so every caller rounds the same way.
inline double degreesToRadians(float degrees) {
    return static_cast<double>(degrees) * kPi / 180.0;
}
