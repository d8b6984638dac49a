// Numbers typed by the operator: converted to 32-bit integers, halves to the even neighbour.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double v);

// The text as a 32-bit integer, or nothing when it is not a number (the empty text included) or
// beyond the 32-bit range after rounding.
std::optional<int32_t> ToInt32(const QString& text);

// The text as a number (double precision), or nothing when it is not a number. Accepted:
// surrounding blanks, an optional sign, decimal digits with an optional fraction and an optional
// exponent.
std::optional<double> ToDouble(const QString& text);

// The text as a number (single precision), or nothing when it is not a number.
std::optional<float> ToSingle(const QString& text);
