#include "model/fieldreader.h"

#include <QTest>

// Each step of a script reads one thing: L a whole line, T a text field, N a number field.
// The results are "text@line", or "<end>" when nothing was left to read.
class TestFieldReader : public QObject
{
    Q_OBJECT

private slots:
    void fields_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("results");
        QTest::addRow("blanks before a field skipped")
            << QByteArray("   IBM\r\n") << "T" << QStringList{"IBM@1"};
        QTest::addRow("blanks after text kept") << QByteArray("IBM  \r\n") << "T" << QStringList{"IBM  @1"};
        QTest::addRow("comma ends a field") << QByteArray("A,B\r\n") << "TT" << QStringList{"A@1", "B@1"};
        QTest::addRow("number ends at a blank")
            << QByteArray("12 34\r\n") << "NN" << QStringList{"12@1", "34@1"};
        QTest::addRow("blanks then comma after number")
            << QByteArray(" 5 ,X\r\n") << "NT" << QStringList{"5@1", "X@1"};
        QTest::addRow("quoted field holds a comma")
            << QByteArray("\"A,B\" junk,C\r\n") << "TT" << QStringList{"A,B@1", "C@1"};
        QTest::addRow("quoted field spans lines")
            << QByteArray("\"A\r\nB\"\r\nC\r\n") << "TT" << QStringList{"A\r\nB@1", "C@3"};
        QTest::addRow("unterminated quote runs to the end")
            << QByteArray("\"ABC") << "TT" << QStringList{"ABC@1", "<end>"};
        QTest::addRow("LF line ends") << QByteArray("A\nB\n") << "TT" << QStringList{"A@1", "B@2"};
        QTest::addRow("CR line ends") << QByteArray("A\rB\r") << "TTT" << QStringList{"A@1", "B@2", "<end>"};
        QTest::addRow("whole line keeps blanks and commas")
            << QByteArray("  a, b \r\nx") << "LL" << QStringList{"  a, b @1", "x@2"};
        QTest::addRow("nothing to read") << QByteArray() << "TN" << QStringList{"<end>", "<end>"};
        QTest::addRow("number without a line end") << QByteArray("7") << "N" << QStringList{"7@1"};
        QTest::addRow("blanks only before the end") << QByteArray("   ") << "N" << QStringList{"@1"};
        QTest::addRow("line then fields")
            << QByteArray("100000\r\nA\r\n0\r\n") << "LTNT" << QStringList{"100000@1", "A@2", "0@3", "<end>"};
    }
    void fields()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, script);
        QFETCH(QStringList, results);
        FieldReader reader(bytes);
        QStringList got;
        for (QChar step : script) {
            std::optional<QByteArrayView> value;
            if (step == u'L')
                value = reader.atEnd() ? std::nullopt : std::optional<QByteArrayView>(reader.readLine());
            else if (step == u'T')
                value = reader.readField();
            else
                value = reader.readNumberField();
            got.append(value ? QString::fromLatin1(*value) + u'@' + QString::number(reader.fieldLine())
                             : QStringLiteral("<end>"));
        }
        QCOMPARE(got, results);
    }
};

QTEST_GUILESS_MAIN(TestFieldReader)
#include "test_fieldreader.moc"
