#pragma once
// The integer values the generator takes for a frequency: hundredths of a
// hertz for "Hz" and "kHz" rows, one hundred times the square root of the
// frequency in hertz for "MHz" and "GHz" rows, and the random value of
// generator mode. Pure functions, no widgets.

#include <QString>
#include <QtGlobal>

#include <random>
#include <stdexcept>

namespace zovt {

// A value the device cannot take: it does not fit 32 bits, or a negative
// "MHz"/"GHz" frequency has no square root. Ends the playback like a row that
// fails to parse.
class DeviceValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// x rounded to the nearest integer, exact halves to the even neighbour
// (independent of the floating-point rounding mode). NaN and infinities are
// returned unchanged.
long double roundHalfEven(long double x);

// R(x) as a 32-bit device value; throws DeviceValueError when it does not fit.
// 'what' names the value in the error text.
qint32 roundToDeviceValue(long double x, const char *what = "device value");

// Device value of a frequency f in the row's unit (HzkHz hertz per unit).
// Linear for 1 and 1000 hertz per unit, square-root form otherwise (also
// while no unit has been read, HzkHz 0).
qint32 deviceValue(double f, qint32 HzkHz);

// Device value of a sweep step: always linear, R(HzkHz x step x 100).
qint32 stepDeviceValue(double step, qint32 HzkHz);

// The random value of generator mode (Generrzov) from its five digits (0 to
// 9 each): x = d1 + d2/10 + ... + d5/10000, y = ln(1.001 + x) x 256 x 0.37,
// R(y x 1000 x 100). Lies between 9467 and 22713639.
qint32 generatorValue(const int (&digits)[5]);

// Draws the five digits, in order, uniformly from 0 to 9 with the program's
// generator and returns their value.
qint32 generatorValue(std::mt19937 &rng);

// A device value as the frequency it stands for in a row of the given unit,
// for people reading a schedule: "10.000 Hz", "2.500 kHz", "3.000 MHz". The
// square-root form is shown to three decimals of its unit. Empty for HzkHz 0
// or an unknown unit.
QString deviceValueInUnit(qint64 value, qint32 HzkHz);

// The same as a number of hertz; 0 for HzkHz 0 or an unknown unit.
double deviceValueHz(qint64 value, qint32 HzkHz);

} // namespace zovt
