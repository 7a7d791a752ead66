#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <signal.h>

namespace {

constexpr int kWaitMs = 15000;

QString program()
{
    return qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/quorvane-market");
}

// Starts the service on a free port; the port it reports, or 0.
int start(QProcess &process, const QStringList &extra = {})
{
    process.start(program(), QStringList{"--port", "0"} + extra);
    if (!process.waitForStarted(kWaitMs))
        return 0;
    QByteArray out;
    const QRegularExpression banner("serving on http://127\\.0\\.0\\.1:(\\d+)");
    while (process.waitForReadyRead(kWaitMs)) {
        out += process.readAllStandardOutput();
        const auto match = banner.match(QString::fromLatin1(out));
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

QByteArray quoteLine(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    if (!socket.waitForConnected(kWaitMs))
        return {};
    socket.write(
        "GET /d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(kWaitMs))
        answer += socket.readAll();
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

} // namespace

class TestMarketProcess : public QObject
{
    Q_OBJECT

private slots:
    void help();
    void refusedCommandLines_data();
    void refusedCommandLines();
    void stopsCleanlyOnSignal_data();
    void stopsCleanlyOnSignal();
    void busyPortIsRefused();
};

void TestMarketProcess::help()
{
    QProcess process;
    process.start(program(), {"--help"});
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY(out.startsWith("Usage: quorvane-market"));
    for (const char *option : {"--bind", "--port", "--seed", "--speed", "--quiet", "--help"})
        QVERIFY2(out.contains(option), option);
}

void TestMarketProcess::refusedCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    QTest::addRow("unknown option") << QStringList{"--verbose"} << QByteArray("unknown option '--verbose'");
    QTest::addRow("port out of range") << QStringList{"--port", "70000"} << QByteArray("--port must be");
    QTest::addRow("speed not positive") << QStringList{"--speed=-2"} << QByteArray("--speed must be");
    QTest::addRow("address that is not local")
        << QStringList{"--bind", "192.0.2.1", "--port", "0"} << QByteArray("cannot listen on 192.0.2.1");
}

void TestMarketProcess::refusedCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    QProcess process;
    process.start(program(), args);
    QVERIFY(process.waitForFinished(kWaitMs));
    QVERIFY(process.exitCode() != 0);
    QVERIFY2(process.readAllStandardError().contains(message), message.constData());
}

void TestMarketProcess::stopsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addRow("SIGTERM") << SIGTERM;
    QTest::addRow("SIGINT") << SIGINT;
}

void TestMarketProcess::stopsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    QProcess process;
    const int port = start(process, {"--seed", "5"});
    QVERIFY(port > 0);
    QVERIFY(quoteLine(port).startsWith("\"MSFT\","));
    // An idle keep-alive connection must not hold the stop up.
    QTcpSocket idle;
    idle.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    QVERIFY(idle.waitForConnected(kWaitMs));
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().contains("quorvane-market: stopped"));
}

void TestMarketProcess::busyPortIsRefused()
{
    QProcess first;
    const int port = start(first);
    QVERIFY(port > 0);
    QProcess second;
    second.start(program(), {"--port", QString::number(port), "--quiet"});
    QVERIFY(second.waitForFinished(kWaitMs));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("already in use"));
    // The first one goes on serving.
    QVERIFY(quoteLine(port).startsWith("\"MSFT\","));
    first.terminate();
    QVERIFY(first.waitForFinished(kWaitMs));
    QCOMPARE(first.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestMarketProcess)
#include "test_marketprocess.moc"
