#include "model/numbertext.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void init() { setDecimalSeparator(u'.'); }
    void cleanupTestCase() { resetDecimalSeparator(); }

    void moneyToText_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        QTest::addRow("zero") << qint64(0) << "0";
        QTest::addRow("whole amount has no separator") << qint64(1000000000) << "100000";
        QTest::addRow("trailing zeros dropped") << qint64(12345000) << "1234.5";
        QTest::addRow("inner zeros kept") << qint64(10010) << "1.001";
        QTest::addRow("one ten-thousandth") << qint64(1) << "0.0001";
        QTest::addRow("negative fraction below one") << qint64(-1) << "-0.0001";
        QTest::addRow("negative") << qint64(-12345) << "-1.2345";
        QTest::addRow("largest") << kMax << "922337203685477.5807";
        QTest::addRow("smallest") << kMin << "-922337203685477.5808";
    }
    void moneyToText()
    {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QCOMPARE(::moneyToText(Money::fromUnits(units)), text);
    }

    void moneyFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("units");
        auto ok = [](const char *name, const char *text, qint64 units) {
            QTest::addRow("%s", name) << QString::fromLatin1(text) << true << units;
        };
        auto bad = [](const char *name, const char *text) {
            QTest::addRow("%s", name) << QString::fromLatin1(text) << false << qint64(0);
        };
        ok("whole", "100000", 1000000000);
        ok("blanks around", " \t1234.5 ", 12345000);
        ok("plus sign", "+2", 20000);
        ok("no integer digits", ".5", 5000);
        ok("no fraction digits", "5.", 50000);
        ok("exponent", "1e3", 10000000);
        ok("tie at zero stays even", "0.00005", 0);
        ok("tie rounds to even up", "0.00015", 2);
        ok("tie rounds to even down", "0.00025", 2);
        ok("tie on even ten-thousandth", "1234.56785", 12345678);
        ok("tie on odd ten-thousandth", "1234.56775", 12345678);
        ok("just above a tie", "1234.567850000000001", 12345679);
        ok("just below a tie", "1234.567849999999999", 12345678);
        ok("negative tie", "-2.00015", -20002);
        ok("negative tie to zero", "-0.00005", 0);
        ok("exponent tie", "1.5E-4", 2);
        ok("tiny", "0.000000000000000000000000000000001", 0);
        ok("long leading zeros", "0000000000000000000000001", 10000);
        ok("largest", "922337203685477.5807", kMax);
        ok("smallest", "-922337203685477.5808", kMin);
        ok("tie at the smallest stays", "-922337203685477.58085", kMin);
        bad("one past the largest", "922337203685477.5808");
        bad("rounds past the largest", "922337203685477.58075");
        bad("rounds past the smallest", "-922337203685477.58086");
        bad("huge exponent", "1e400");
        bad("enormous exponent", "1e99999999999999999999");
        bad("empty", "");
        bad("blanks only", "   ");
        bad("sign only", "-");
        bad("separator only", ".");
        bad("letters", "abc");
        bad("comma under a point separator", "1,5");
        bad("thousands blank", "1 000");
        bad("two separators", "1.2.3");
        bad("two signs", "--1");
        bad("hexadecimal", "0x10");
        bad("not a number", "nan");
        bad("infinity", "inf");
        bad("exponent without digits", "12e");
        bad("trailing junk", "12abc");
    }
    void moneyFromText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, units);
        const std::optional<Money> money = ::moneyFromText(text);
        QCOMPARE(money.has_value(), valid);
        if (valid)
            QCOMPARE(money->units(), units);
    }

    void nonAsciiDigitsRefused()
    {
        QVERIFY(!::moneyFromText(QString::fromUtf8("\xd9\xa1"))); // ARABIC-INDIC DIGIT ONE
        QVERIFY(!::doubleFromText(QString::fromUtf8("\xd9\xa1")));
    }

    void moneyFromDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("units");
        QTest::addRow("a tenth is exact") << 0.1 << true << qint64(1000);
        QTest::addRow("product of a price") << 10 * 27.1 << true << qint64(2710000);
        QTest::addRow("tie to even") << 1234.56785 << true << qint64(12345678);
        QTest::addRow("tie up to even") << 0.00015 << true << qint64(2);
        QTest::addRow("negative") << -76.5 << true << qint64(-765000);
        QTest::addRow("too large") << -1e15 << false << qint64(0);
        QTest::addRow("not a number") << kNaN << false << qint64(0);
        QTest::addRow("infinity") << kInf << false << qint64(0);
    }
    void moneyFromDouble()
    {
        QFETCH(double, value);
        QFETCH(bool, valid);
        QFETCH(qint64, units);
        const std::optional<Money> money = ::moneyFromDouble(value);
        QCOMPARE(money.has_value(), valid);
        if (valid)
            QCOMPARE(money->units(), units);
    }

    void doubleToText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addRow("fraction") << 27.1 << "27.1";
        QTest::addRow("whole") << 2550.0 << "2550";
        QTest::addRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
        QTest::addRow("fifteen digits") << 1.0 / 3 << "0.333333333333333";
        QTest::addRow("last digit rounded") << 2.0 / 3 << "0.666666666666667";
        QTest::addRow("negative") << -12.5 << "-12.5";
        QTest::addRow("negative zero") << -0.0 << "0";
        QTest::addRow("largest plain") << 999999999999999.0 << "999999999999999";
        QTest::addRow("large") << 1e15 << "1e+15";
        QTest::addRow("small") << 1e-7 << "1e-07";
        QTest::addRow("not a number") << kNaN << "NaN";
    }
    void doubleToText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(::doubleToText(value), text);
    }

    void doubleFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::addRow("blanks around") << " 27.1 " << true << 27.1;
        QTest::addRow("negative") << "-3" << true << -3.0;
        QTest::addRow("no integer digits") << ".5" << true << 0.5;
        QTest::addRow("exponent") << "1.5e-3" << true << 0.0015;
        QTest::addRow("written large form") << "1e+15" << true << 1e15;
        QTest::addRow("comma under a point separator") << "2,5" << false << 0.0;
        QTest::addRow("empty") << "" << false << 0.0;
        QTest::addRow("letters") << "N/A" << false << 0.0;
        QTest::addRow("overflow") << "1e999" << false << 0.0;
        QTest::addRow("infinity") << "inf" << false << 0.0;
        QTest::addRow("not a number") << "nan" << false << 0.0;
    }
    void doubleFromText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> number = ::doubleFromText(text);
        QCOMPARE(number.has_value(), valid);
        if (valid)
            QCOMPARE(*number, value);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("rounded");
        QTest::addRow("2.5 down to even") << 2.5 << true << qint64(2);
        QTest::addRow("3.5 up to even") << 3.5 << true << qint64(4);
        QTest::addRow("-2.5 to even") << -2.5 << true << qint64(-2);
        QTest::addRow("-3.5 to even") << -3.5 << true << qint64(-4);
        QTest::addRow("0.5 to zero") << 0.5 << true << qint64(0);
        QTest::addRow("-0.5 to zero") << -0.5 << true << qint64(0);
        QTest::addRow("below a tie") << 2.4999999999 << true << qint64(2);
        QTest::addRow("above a tie") << 2.5000000001 << true << qint64(3);
        QTest::addRow("tie near 2^52") << 4503599627370495.5 << true << qint64(4503599627370496);
        QTest::addRow("smallest") << -9223372036854775808.0 << true << kMin;
        QTest::addRow("2^63 does not fit") << 9223372036854775808.0 << false << qint64(0);
        QTest::addRow("not a number") << kNaN << false << qint64(0);
        QTest::addRow("infinity") << -kInf << false << qint64(0);
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(bool, valid);
        QFETCH(qint64, rounded);
        const std::optional<qint64> result = ::roundHalfEven(value);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, rounded);
    }

    void wholeNumberFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("rounded");
        QTest::addRow("tie down") << "2.5" << true << qint64(2);
        QTest::addRow("tie up") << "3.5" << true << qint64(4);
        QTest::addRow("negative tie") << "-2.5" << true << qint64(-2);
        QTest::addRow("above a tie") << "2.50001" << true << qint64(3);
        QTest::addRow("largest") << "9223372036854775807" << true << kMax;
        QTest::addRow("too large") << "9223372036854775808" << false << qint64(0);
        QTest::addRow("garbage") << "ten" << false << qint64(0);
    }
    void wholeNumberFromText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, rounded);
        const std::optional<qint64> result = ::wholeNumberFromText(text);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, rounded);
    }

    void commaSeparator()
    {
        setDecimalSeparator(u',');
        QCOMPARE(::moneyToText(Money::fromUnits(12345000)), QStringLiteral("1234,5"));
        QCOMPARE(::moneyFromText(QStringLiteral("1234,5")), std::optional<Money>(Money::fromUnits(12345000)));
        QVERIFY(!::moneyFromText(QStringLiteral("1234.5")));
        QCOMPARE(::doubleToText(27.1), QStringLiteral("27,1"));
        QCOMPARE(::doubleFromText(QStringLiteral("27,1")), std::optional<double>(27.1));
        QVERIFY(!::doubleFromText(QStringLiteral("27.1")));
        // Texts from elsewhere keep their own separator.
        QCOMPARE(::doubleFromText(QStringLiteral("27.1"), u'.'), std::optional<double>(27.1));
        QCOMPARE(::moneyFromText(QStringLiteral("0.5"), u'.'), std::optional<Money>(Money::fromUnits(5000)));
    }

    void roundTrips()
    {
        QRandomGenerator random(20240611);
        for (int i = 0; i < 20000; ++i) {
            const qint64 units = qint64(random.generate64()) >> (random.bounded(64));
            const Money money = Money::fromUnits(units);
            QCOMPARE(::moneyFromText(::moneyToText(money)), std::optional<Money>(money));
            // A double written with 15 digits reads back within its last written digit.
            const double value = std::ldexp(random.generateDouble() - 0.5, int(random.bounded(-60, 60)));
            const std::optional<double> back = ::doubleFromText(::doubleToText(value));
            QVERIFY(back);
            QVERIFY2(std::abs(*back - value) <= std::abs(value) * 1e-14, qPrintable(::doubleToText(value)));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
