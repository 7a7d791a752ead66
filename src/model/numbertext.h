#pragma once

#include "money.h"

#include <QChar>
#include <QString>

#include <optional>

// Numbers as the program writes and reads them, in files and on screen alike, with the
// separators of a NumberFormat: the game session holds the user's, tests hand in their own.

struct NumberFormat
{
    QChar decimal = u'.';
    QChar thousands = u',';

    // The user's separators (QLocale::system()). Files are 8-bit text, so a decimal separator
    // outside Latin-1, or one that clashes with the number syntax, falls back to the point.
    static NumberFormat system();
    // This decimal separator with a thousands separator that is never the same character.
    static NumberFormat withDecimal(QChar decimal);
};

// "-", integer digits, and only for a non-zero fraction the separator and 1-4 digits: 100000, 1234.5.
QString moneyToText(Money amount, QChar separator);
// Decimal text (blanks around, optional sign, the given separator) rounded to the nearest
// ten-thousandth, ties to even. Nothing for text that is not a number or does not fit.
std::optional<Money> moneyFromText(const QString &text, QChar separator);
// Whether the text has the form moneyFromText reads, whatever its size: a number that does
// not fit is told apart from text that is no number.
bool isDecimalText(const QString &text, QChar separator);
// A double rounded to the nearest ten-thousandth, ties to even; nothing when it does not fit.
// The double counts as its shortest round-trip decimal (0.1 is 0.1, not 0.1000000000000000055).
std::optional<Money> moneyFromDouble(double amount);

// Shortest form, at most 15 significant digits, no trailing zeros: 27.1, 2550.
QString doubleToText(double value, QChar separator);
// Decimal text with the given separator; nothing for anything else.
std::optional<double> doubleFromText(const QString &text, QChar separator);

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4); nothing for NaN or out of range.
std::optional<qint64> roundHalfEven(double value);
// Decimal text rounded exactly to the nearest integer, ties to even ("2.5" -> 2); nothing for
// anything that is not a number or does not fit.
std::optional<qint64> wholeNumberFromText(const QString &text, QChar separator);
