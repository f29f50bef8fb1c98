#include "playback/DeviceValue.h"

#include <cmath>
#include <limits>

namespace zovt {

long double roundHalfEven(long double x)
{
    if (!std::isfinite(x))
        return x;
    const long double fl = std::floor(x);
    // Exact: x and its floor share the exponent range of x's integer part.
    const long double frac = x - fl;
    if (frac > 0.5L)
        return fl + 1;
    if (frac < 0.5L)
        return fl;
    return std::fmod(fl, 2.0L) == 0 ? fl : fl + 1;
}

qint32 roundToDeviceValue(long double x, const char *what)
{
    const long double r = roundHalfEven(x);
    if (std::isnan(r))
        throw DeviceValueError(std::string(what) + " is not a number");
    if (r < static_cast<long double>(std::numeric_limits<qint32>::min())
        || r > static_cast<long double>(std::numeric_limits<qint32>::max()))
        throw DeviceValueError(std::string(what) + " " + QString::number(double(r), 'f', 0).toStdString()
                               + " does not fit 32 bits");
    return static_cast<qint32>(r);
}

qint32 deviceValue(double f, qint32 HzkHz)
{
    const long double hertz = static_cast<long double>(HzkHz) * static_cast<long double>(f);
    if (HzkHz == 1 || HzkHz == 1000)
        return roundToDeviceValue(hertz * 100, "device value");
    if (hertz < 0)
        throw DeviceValueError("negative frequency " + QString::number(f, 'f', 3).toStdString()
                               + " has no square-root device value");
    return roundToDeviceValue(std::sqrt(hertz) * 100, "device value");
}

qint32 stepDeviceValue(double step, qint32 HzkHz)
{
    return roundToDeviceValue(static_cast<long double>(HzkHz) * static_cast<long double>(step) * 100,
                              "device value of the step");
}

qint32 generatorValue(const int (&d)[5])
{
    // Both intermediate results are stored as doubles, as the formula says;
    // only the final product is formed in extended precision.
    const double x = d[0] + d[1] * 0.1 + d[2] * 0.01 + d[3] * 0.001 + d[4] * 0.0001;
    const double y = std::log(1.001 + x) * 256 * 0.37;
    return roundToDeviceValue(static_cast<long double>(y) * 1000 * 100, "generator value");
}

qint32 generatorValue(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> digit(0, 9);
    int d[5];
    for (int &v : d)
        v = digit(rng);
    return generatorValue(d);
}

namespace {
// value / 10^decimals with at least three and at most 'decimals' decimals.
QString fixed(qint64 value, int decimals)
{
    const bool negative = value < 0;
    const quint64 mag = negative ? quint64(0) - quint64(value) : quint64(value);
    quint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString frac = QString::number(mag % scale).rightJustified(decimals, QLatin1Char('0'));
    while (frac.size() > 3 && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    while (frac.size() < 3)
        frac += QLatin1Char('0');
    return (negative ? QStringLiteral("-") : QString()) + QString::number(mag / scale) + QLatin1Char('.') + frac;
}
} // namespace

QString deviceValueInUnit(qint64 value, qint32 HzkHz)
{
    switch (HzkHz) {
    case 1:
        return fixed(value, 2) + QStringLiteral(" Hz");
    case 1000:
        return fixed(value, 5) + QStringLiteral(" kHz");
    case 1000000:
    case 1000000000: {
        const long double root = static_cast<long double>(value) / 100;
        const long double inUnit = root * root / HzkHz;
        return QString::number(double(inUnit), 'f', 3) + (HzkHz == 1000000 ? QStringLiteral(" MHz") : QStringLiteral(" GHz"));
    }
    default:
        return QString();
    }
}

double deviceValueHz(qint64 value, qint32 HzkHz)
{
    switch (HzkHz) {
    case 1:
    case 1000:
        return double(value) / 100;
    case 1000000:
    case 1000000000: {
        const double root = double(value) / 100;
        return root * root;
    }
    default:
        return 0;
    }
}

} // namespace zovt
