// Changing coefficients: the per-frame blend of two figures and the random nudges.
#pragma once

#include <cstdint>

#include "core/ifs/figures.h"
#include "core/ifs/random_source.h"

// out = (1 - t) * from + t * to for all 28 values, weights included.
void BlendFigures(IfsFigure& out, const IfsFigure& from, const IfsFigure& to, float t);

// Seeds random with the clock reading now and sets 3 to 12 coefficients of target
// to base plus a small random step, never a weight; other values of target stay as
// they are. Steps are (1..10) / ((14 - intensity) * 500), for an intensity of 1..10.
void DeformFigure(IfsFigure& target, const IfsFigure& base, int16_t intensity, RandomSource& random, int64_t now);
