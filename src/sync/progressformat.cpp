#include "progressformat.h"

#include "model/numbertext.h"

#include <cmath>
#include <limits>

namespace {

// numerator / denominator to the nearest integer, ties to even, as every rounding of the
// program does. Both non-negative, denominator positive.
qint64 divideRounded(qint64 numerator, qint64 denominator)
{
    const qint64 quotient = numerator / denominator;
    const qint64 twiceRest = 2 * (numerator % denominator);
    if (twiceRest > denominator || (twiceRest == denominator && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

QString groupDigits(qint64 value, QChar thousands)
{
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, thousands);
    return digits;
}

// hundredths as "integer<decimal>dd", the sign in front.
QString twoDecimals(qint64 hundredths, QChar decimal, QChar thousands, bool grouped)
{
    const bool negative = hundredths < 0;
    const qint64 magnitude = negative ? -hundredths : hundredths;
    const qint64 whole = magnitude / 100;
    const qint64 fraction = magnitude % 100;
    QString text = grouped ? groupDigits(whole, thousands) : QString::number(whole);
    text += decimal;
    text += QString::number(fraction).rightJustified(2, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

QString twoDigits(qint64 value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString Format_Size(qint64 bytes, const NumberFormat &format)
{
    const QChar decimal = format.decimal;
    const QChar thousands = format.thousands;
    constexpr qint64 kKilo = 1024;
    constexpr qint64 kMega = 1024000;
    if (bytes < kKilo)
        return QString::number(bytes) + QStringLiteral(" Bytes");
    if (bytes <= kMega)
        return twoDecimals(divideRounded(bytes * 100, kKilo), decimal, thousands, false) +
               QStringLiteral(" KB");
    return twoDecimals(divideRounded(bytes * 100, kMega), decimal, thousands, true) + QStringLiteral(" MB");
}

QString Format_Time(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

int progressPercent(qint64 stored, qint64 total)
{
    if (total < 1 || stored < 1)
        return 0;
    if (stored >= total)
        return 100;
    return int(divideRounded(stored * 100, total));
}

QString progressLabel(int percent)
{
    return percent == 0 ? QStringLiteral("%") : QString::number(percent) + QLatin1Char('%');
}

void Draw_Progress(ProgressPicture &picture, int percent)
{
    picture.label = progressLabel(percent);
    picture.fill = percent;
}

qint64 currentSpeedHundredths(qint64 bytesThisSecond)
{
    if (bytesThisSecond <= 0)
        return 0;
    return divideRounded(bytesThisSecond, 10);
}

qint64 averageSpeed(qint64 bytesSinceStart, double elapsedSeconds)
{
    if (!(elapsedSeconds > 0) || bytesSinceStart <= 0)
        return 0;
    const double speed = std::floor(double(bytesSinceStart) / elapsedSeconds / 1000.0);
    if (!(speed < double(std::numeric_limits<qint32>::max())))
        return std::numeric_limits<qint32>::max();
    return qint64(speed);
}

qint64 remainingSeconds(qint64 remainingBytes, qint64 averageSpeed)
{
    if (averageSpeed <= 0 || remainingBytes <= 0)
        return 0;
    return qint64(std::floor(double(remainingBytes) / 1024.0 / double(averageSpeed)));
}
