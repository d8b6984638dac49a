// The number texts the program shows and writes: the current-value panel and the data list
// (three decimals), the range boxes (the general format) and the CSV export (the shortest text of
// a single or a double). None of them depends on the locale.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

// v formatted "###0.000" without padding: at least one integer digit, three decimals, no grouping,
// "-" only when the rounded value is not zero. The shortest decimal text of v is rounded half away
// from zero; a value a single holds exactly is written with the single's digits, as FormatValue.
QString FormatFixed3(double v);
// FormatFixed3 of v, preceded by spaces to 10 characters (longer texts unpadded).
QString FormatValue(float v);
// A Single in the general number format: the shortest text that reads back as the same value,
// without grouping and without a trailing ".0" (1820 -> "1820", 99.5 -> "99.5").
QString GeneralNumber(float v);

// Number items of the CSV export, appended to out as ASCII: at most 7 significant digits for a
// single and 15 for a double, no trailing zeros, a zero before the period of a magnitude below 1
// ("0.5"), and exponent notation only where the decimal exponent is below -4 or at least the
// number of digits ("1E-05", "1.234568E+08"), as in the common general format. A zero never
// carries a sign.
void AppendCsvNumber(std::string& out, float v);
void AppendCsvNumber(std::string& out, double v);

// Sample k's time in seconds from the start of its record set, where the graph's time axis puts
// it, with as many decimals as the interval has (1000 ms: none; 10 ms: two).
QString SampleTimeText(int32_t k, int32_t intervalTM);
