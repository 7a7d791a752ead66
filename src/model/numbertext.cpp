#include "numbertext.h"

#include <QByteArray>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A decimal number exactly as written: sign, significant digits and a power of ten.
struct Decimal
{
    bool negative = false;
    QByteArray digits; // no leading or trailing zeros; empty for zero
    qint64 exponent = 0;
};

// Splits trimmed text into its parts. Accepts [sign] digits [separator digits] [e [sign] digits],
// with at least one digit before the exponent.
struct DecimalSyntax
{
    bool negative = false;
    QByteArray mantissa; // ASCII digits, with '.' for the separator when there is one
    qint64 exponent = 0;
};

std::optional<DecimalSyntax> scanDecimal(const QString &text, QChar separator)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;

    DecimalSyntax out;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        out.negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    while (i < end && isAsciiDigit(text[i])) {
        out.mantissa.append(char(text[i].unicode()));
        anyDigit = true;
        ++i;
    }
    if (i < end && text[i] == separator) {
        out.mantissa.append('.');
        ++i;
        while (i < end && isAsciiDigit(text[i])) {
            out.mantissa.append(char(text[i].unicode()));
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == u'-' || text[i] == u'+')) {
            negativeExponent = text[i] == u'-';
            ++i;
        }
        if (i >= end || !isAsciiDigit(text[i]))
            return std::nullopt;
        // Far beyond any representable value; capping keeps the arithmetic safe.
        constexpr qint64 kExponentCap = 1000000000;
        while (i < end && isAsciiDigit(text[i])) {
            out.exponent = std::min(kExponentCap, out.exponent * 10 + (text[i].unicode() - u'0'));
            ++i;
        }
        if (negativeExponent)
            out.exponent = -out.exponent;
    }
    if (i != end)
        return std::nullopt;
    return out;
}

std::optional<Decimal> parseDecimal(const QString &text, QChar separator)
{
    const std::optional<DecimalSyntax> syntax = scanDecimal(text, separator);
    if (!syntax)
        return std::nullopt;
    Decimal d;
    d.negative = syntax->negative;
    d.exponent = syntax->exponent;
    for (char c : syntax->mantissa) {
        if (c == '.') {
            // Every digit after the separator lowers the power of ten by one.
            d.exponent -= syntax->mantissa.size() - syntax->mantissa.indexOf('.') - 1;
            continue;
        }
        if (c == '0' && d.digits.isEmpty())
            continue;
        d.digits.append(c);
    }
    while (!d.digits.isEmpty() && d.digits.endsWith('0')) {
        d.digits.chop(1);
        ++d.exponent;
    }
    return d;
}

// The decimal times 10^scale, rounded to an integer with ties to even.
std::optional<qint64> roundScaled(const Decimal &d, int scale)
{
    if (d.digits.isEmpty())
        return 0;
    const quint64 limit = d.negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
    const qint64 length = d.digits.size();
    const qint64 shift = d.exponent + scale;
    // Digits left of the unit position; with no leading zeros, more than 19 cannot fit.
    const qint64 integerLength = length + shift;
    if (integerLength > 19)
        return std::nullopt;
    if (integerLength < 0)
        return 0; // below a tenth of a unit

    quint64 magnitude = 0;
    auto push = [&](int digit) {
        if (magnitude > (limit - quint64(digit)) / 10)
            return false;
        magnitude = magnitude * 10 + quint64(digit);
        return true;
    };
    for (qint64 k = 0; k < integerLength; ++k) {
        const int digit = k < length ? d.digits[k] - '0' : 0;
        if (!push(digit))
            return std::nullopt;
    }
    if (integerLength < length) {
        const int first = d.digits[integerLength] - '0';
        // Trailing zeros are stripped, so any further digit makes it more than a tie.
        const bool moreThanHalf = first > 5 || (first == 5 && length > integerLength + 1);
        const bool tie = first == 5 && length == integerLength + 1;
        if (moreThanHalf || (tie && (magnitude & 1))) {
            if (magnitude >= limit)
                return std::nullopt;
            ++magnitude;
        }
    }
    return d.negative ? qint64(0 - magnitude) : qint64(magnitude);
}

QString withSeparator(QString text, QChar separator)
{
    if (separator != u'.')
        text.replace(u'.', separator);
    return text;
}

// A character that can stand between the digits of a number in an 8-bit file.
bool usableDecimal(QChar c)
{
    return c.unicode() < 0x100 && !isAsciiDigit(c) && !isBlank(c) && c != u'-' && c != u'+' && c != u'e' &&
           c != u'E';
}

} // namespace

NumberFormat NumberFormat::withDecimal(QChar decimal)
{
    NumberFormat format;
    format.decimal = decimal;
    format.thousands = decimal == u',' ? u'.' : u',';
    return format;
}

NumberFormat NumberFormat::system()
{
    const QLocale locale = QLocale::system();
    const QString point = locale.decimalPoint();
    NumberFormat format =
        withDecimal(point.size() == 1 && usableDecimal(point.front()) ? point.front() : u'.');
    const QString group = locale.groupSeparator();
    if (group.size() == 1 && group.front() != format.decimal && !group.front().isSpace())
        format.thousands = group.front();
    return format;
}

QString moneyToText(Money amount, QChar separator)
{
    const qint64 units = amount.units();
    const quint64 magnitude = units < 0 ? 0 - quint64(units) : quint64(units);
    const quint64 perDollar = quint64(Money::kUnitsPerDollar);
    QString text = units < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / perDollar);
    const quint64 fraction = magnitude % perDollar;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QChar(u'0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += separator;
        text += digits;
    }
    return text;
}

std::optional<Money> moneyFromText(const QString &text, QChar separator)
{
    const std::optional<Decimal> d = parseDecimal(text, separator);
    if (!d)
        return std::nullopt;
    const std::optional<qint64> units = roundScaled(*d, 4);
    if (!units)
        return std::nullopt;
    return Money::fromUnits(*units);
}

bool isDecimalText(const QString &text, QChar separator)
{
    return scanDecimal(text, separator).has_value();
}

std::optional<Money> moneyFromDouble(double amount)
{
    if (!std::isfinite(amount))
        return std::nullopt;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, amount);
    if (result.ec != std::errc())
        return std::nullopt;
    return moneyFromText(QString::fromLatin1(buffer, result.ptr - buffer), u'.');
}

QString doubleToText(double value, QChar separator)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc())
        return QStringLiteral("NaN");
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return withSeparator(text, separator);
}

std::optional<double> doubleFromText(const QString &text, QChar separator)
{
    const std::optional<DecimalSyntax> syntax = scanDecimal(text, separator);
    if (!syntax)
        return std::nullopt;
    std::string plain = syntax->mantissa.toStdString();
    if (syntax->exponent != 0)
        plain += 'e' + std::to_string(syntax->exponent);
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size())
        return std::nullopt;
    return syntax->negative ? -value : value;
}

std::optional<qint64> roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below; // exact for every double
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0))
        rounded = below + 1;
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(rounded);
}

std::optional<qint64> wholeNumberFromText(const QString &text, QChar separator)
{
    const std::optional<Decimal> d = parseDecimal(text, separator);
    if (!d)
        return std::nullopt;
    return roundScaled(*d, 0);
}
