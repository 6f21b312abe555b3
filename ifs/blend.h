// Changing coefficients: the per-frame blend of two figures and the random nudges.
#pragma once

#include "ifs/figures.h"

// out = (1 - t) * from + t * to for all 28 values, weights included.
void BlendFigures(IfsFigure& out, const IfsFigure& from, const IfsFigure& to, float t);

// Sets a few coefficients of target to base plus a small random step, seeded from
// the clock: 3 to 12 changes, never a weight. Other values of target stay as they are.
void DeformFigure(IfsFigure& target, const IfsFigure& base);

// The step divisor for an intensity: (14 - intensity) * 500, with the intensity held
// to 1..10 because a stored value of 14 or more would make it zero or negative.
int DeformationDivisor(int intensity);
