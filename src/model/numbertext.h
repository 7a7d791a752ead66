#pragma once

#include "money.h"

#include <QChar>
#include <QString>

#include <optional>

// Numbers as the program writes and reads them, in files and on screen alike.
// The decimal separator is the user's (QLocale::system()); tests may replace it.

QChar decimalSeparator();
void setDecimalSeparator(QChar separator);
// Back to the user's own separator.
void resetDecimalSeparator();

// "-", integer digits, and only for a non-zero fraction the separator and 1-4 digits: 100000, 1234.5.
QString moneyToText(Money amount);
// Decimal text (blanks around, optional sign, the user's separator) rounded to the nearest
// ten-thousandth, ties to even. Nothing for text that is not a number or does not fit.
std::optional<Money> moneyFromText(const QString &text);
// The same with a given separator, for texts that come from elsewhere (a point from the quote service).
std::optional<Money> moneyFromText(const QString &text, QChar separator);
// A double rounded to the nearest ten-thousandth, ties to even; nothing when it does not fit.
// The double counts as its shortest round-trip decimal (0.1 is 0.1, not 0.1000000000000000055).
std::optional<Money> moneyFromDouble(double amount);

// Shortest form, at most 15 significant digits, no trailing zeros: 27.1, 2550.
QString doubleToText(double value);
// Decimal text with the user's separator; nothing for anything else.
std::optional<double> doubleFromText(const QString &text);
std::optional<double> doubleFromText(const QString &text, QChar separator);

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4); nothing for NaN or out of range.
std::optional<qint64> roundHalfEven(double value);
// Decimal text rounded exactly to the nearest integer, ties to even ("2.5" -> 2); nothing for
// anything that is not a number or does not fit.
std::optional<qint64> wholeNumberFromText(const QString &text);
