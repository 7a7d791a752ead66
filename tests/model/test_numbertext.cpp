#include "model/numbertext.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename T> QVariant orNone(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

// Runs one conversion; money comes back as its count of ten-thousandths, "none" as a null variant.
QVariant convert(const QString &function, const QVariant &input)
{
    if (function == u"moneyToText"_s)
        return ::moneyToText(Money::fromUnits(input.toLongLong()), u'.');
    if (function == u"doubleToText"_s)
        return ::doubleToText(input.toDouble(), u'.');
    if (function == u"moneyFromText"_s || function == u"moneyFromDouble"_s) {
        const std::optional<Money> money = function == u"moneyFromText"_s
                                               ? ::moneyFromText(input.toString(), u'.')
                                               : ::moneyFromDouble(input.toDouble());
        return money ? QVariant::fromValue(money->units()) : QVariant();
    }
    if (function == u"doubleFromText"_s)
        return orNone(::doubleFromText(input.toString(), u'.'));
    if (function == u"roundHalfEven"_s)
        return orNone(::roundHalfEven(input.toDouble()));
    return orNone(::wholeNumberFromText(input.toString(), u'.'));
}
} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QVariant>("expected"); // null: refused
        const char *f = "";
        auto row = [&f](const char *name, const QVariant &input, const QVariant &expected) {
            QTest::addRow("%s: %s", f, name) << QString::fromLatin1(f) << input << expected;
        };
        auto text = [](const char *latin1) { return QVariant(QString::fromUtf8(latin1)); };
        auto units = [](qint64 value) { return QVariant::fromValue(value); };
        const QVariant none;

        f = "moneyToText";
        row("zero", units(0), u"0"_s);
        row("whole amount has no separator", units(1000000000), u"100000"_s);
        row("trailing zeros dropped", units(12345000), u"1234.5"_s);
        row("inner zeros kept", units(10010), u"1.001"_s);
        row("negative fraction below one", units(-1), u"-0.0001"_s);
        row("largest", units(kMax), u"922337203685477.5807"_s);
        row("smallest", units(kMin), u"-922337203685477.5808"_s);

        f = "moneyFromText";
        row("blanks around", text(" \t1234.5 "), units(12345000));
        row("no integer digits", text(".5"), units(5000));
        row("tie at zero stays even", text("0.00005"), units(0));
        row("tie rounds up to even", text("0.00015"), units(2));
        row("tie rounds down to even", text("0.00025"), units(2));
        row("tie beyond double precision", text("1234.56785"), units(12345678));
        row("just above a tie", text("1234.567850000000001"), units(12345679));
        row("just below a tie", text("1234.567849999999999"), units(12345678));
        row("negative tie", text("-2.00015"), units(-20002));
        row("exponent tie", text("1.5E-4"), units(2));
        row("tiny", text("0.000000000000000000000000000000001"), units(0));
        row("long leading zeros", text("0000000000000000000000001"), units(10000));
        row("largest", text("922337203685477.5807"), units(kMax));
        row("smallest", text("-922337203685477.5808"), units(kMin));
        row("tie at the smallest stays", text("-922337203685477.58085"), units(kMin));
        for (const char *bad : {"922337203685477.5808", "922337203685477.58075", "-922337203685477.58086",
                                "1e400", "1e99999999999999999999", "", "-", ".", "1,5", "1 000", "1.2.3",
                                "--1", "0x10", "nan", "inf", "12e", "12abc", "\xd9\xa1"})
            row(bad, text(bad), none);

        f = "moneyFromDouble";
        row("a tenth is exact", 0.1, units(1000));
        row("product of a price", 10 * 27.1, units(2710000));
        row("tie to even", 1234.56785, units(12345678));
        row("too large", -1e15, none);
        row("not a number", kNaN, none);
        row("infinity", kInf, none);

        f = "doubleToText";
        row("fraction", 27.1, u"27.1"_s);
        row("binary noise hidden", 0.1 + 0.2, u"0.3"_s);
        row("last of fifteen digits rounded", 2.0 / 3, u"0.666666666666667"_s);
        row("negative zero", -0.0, u"0"_s);
        row("largest plain", 999999999999999.0, u"999999999999999"_s);
        row("large", 1e15, u"1e+15"_s);
        row("small", 1e-7, u"1e-07"_s);
        row("not a number", kNaN, u"NaN"_s);

        f = "doubleFromText";
        row("blanks around", text(" 27.1 "), 27.1);
        row("exponent", text("1.5e-3"), 0.0015);
        row("written large form", text("1e+15"), 1e15);
        for (const char *bad : {"2,5", "", "N/A", "1e999", "inf", "nan", "\xd9\xa1"})
            row(bad, text(bad), none);

        f = "roundHalfEven";
        row("2.5 down to even", 2.5, units(2));
        row("3.5 up to even", 3.5, units(4));
        row("-2.5 to even", -2.5, units(-2));
        row("0.5 to zero", 0.5, units(0));
        row("above a tie", 2.5000000001, units(3));
        row("tie near 2^52", 4503599627370495.5, units(4503599627370496));
        row("smallest", -9223372036854775808.0, units(kMin));
        row("2^63 does not fit", 9223372036854775808.0, none);
        row("not a number", kNaN, none);
        row("infinity", -kInf, none);

        f = "wholeNumberFromText";
        row("tie down", text("2.5"), units(2));
        row("above a tie", text("2.50001"), units(3));
        row("largest", text("9223372036854775807"), units(kMax));
        row("too large", text("9223372036854775808"), none);
        row("garbage", text("ten"), none);
    }
    void conversions()
    {
        QFETCH(QString, function);
        QFETCH(QVariant, input);
        QFETCH(QVariant, expected);
        QCOMPARE(convert(function, input), expected);
    }

    void commaSeparator()
    {
        const QChar comma = NumberFormat::withDecimal(u',').decimal;
        QCOMPARE(::moneyToText(Money::fromUnits(12345000), comma), QStringLiteral("1234,5"));
        QCOMPARE(::moneyFromText(QStringLiteral("1234,5"), comma),
                 std::optional<Money>(Money::fromUnits(12345000)));
        QVERIFY(!::moneyFromText(QStringLiteral("1234.5"), comma));
        QCOMPARE(::doubleToText(27.1, comma), QStringLiteral("27,1"));
        QCOMPARE(::doubleFromText(QStringLiteral("27,1"), comma), std::optional<double>(27.1));
        QVERIFY(!::doubleFromText(QStringLiteral("27.1"), comma));
        QCOMPARE(::wholeNumberFromText(QStringLiteral("2,5"), comma), std::optional<qint64>(2));
        // Texts from elsewhere keep their own separator.
        QCOMPARE(::doubleFromText(QStringLiteral("27.1"), u'.'), std::optional<double>(27.1));
        QCOMPARE(::moneyFromText(QStringLiteral("0.5"), u'.'), std::optional<Money>(Money::fromUnits(5000)));
    }

    void roundTrips()
    {
        QRandomGenerator random(20240611);
        for (int i = 0; i < 20000; ++i) {
            const Money money = Money::fromUnits(qint64(random.generate64()) >> (random.bounded(64)));
            QCOMPARE(::moneyFromText(::moneyToText(money, u'.'), u'.'), std::optional<Money>(money));
            // A double written with 15 digits reads back within its last written digit.
            const double value = std::ldexp(random.generateDouble() - 0.5, int(random.bounded(-60, 60)));
            const std::optional<double> back = ::doubleFromText(::doubleToText(value, u'.'), u'.');
            QVERIFY(back);
            QVERIFY2(std::abs(*back - value) <= std::abs(value) * 1e-14,
                     qPrintable(::doubleToText(value, u'.')));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
