#include "common/marketprocess.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <signal.h>

namespace {

constexpr int kWaitMs = 15000;

// Command lines are written as plain literals.
QStringList argList(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *word : words)
        list << QString::fromLatin1(word);
    return list;
}

QString program()
{
    return qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + QStringLiteral("/quorvane-market");
}

int start(QProcess &process, const QStringList &extra = {})
{
    return startMarketOnFreePort(process, extra, kWaitMs);
}

} // namespace

class TestMarketProcess : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArrayList>("output"); // each must appear on stdout or stderr
        QTest::addRow("help")
            << argList({"--help"}) << 0
            << QByteArrayList{
                   "Usage: quorvane-market", "--bind", "--port", "--seed", "--speed", "--quiet", "--help"};
        QTest::addRow("unknown option")
            << argList({"--verbose"}) << 2
            << QByteArrayList{"unknown option '--verbose'", "Try 'quorvane-market --help'"};
        QTest::addRow("address that is not local") << argList({"--bind", "192.0.2.1", "--port", "0"}) << 1
                                                   << QByteArrayList{"cannot listen on 192.0.2.1"};
    }

    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArrayList, output);
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program(), args);
        QVERIFY(process.waitForFinished(kWaitMs));
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray out = process.readAll();
        for (const QByteArray &text : output)
            QVERIFY2(out.contains(text), text.constData());
    }

    void stopsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addRow("SIGTERM") << SIGTERM;
        QTest::addRow("SIGINT") << SIGINT;
    }

    void stopsCleanlyOnSignal()
    {
        QFETCH(int, signalNumber);
        QProcess process;
        const int port = start(process, argList({"--seed", "5"}));
        QVERIFY(port > 0);
        QVERIFY(answersQuotes(quint16(port)));
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

    void busyPortIsRefused()
    {
        QProcess first;
        const int port = start(first);
        QVERIFY(port > 0);
        QProcess second;
        second.start(program(), {QStringLiteral("--port"), QString::number(port), QStringLiteral("--quiet")});
        QVERIFY(second.waitForFinished(kWaitMs));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("already in use"));
        // The first one goes on serving.
        QVERIFY(answersQuotes(quint16(port)));
        first.terminate();
        QVERIFY(first.waitForFinished(kWaitMs));
        QCOMPARE(first.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMarketProcess)
#include "test_marketprocess.moc"
