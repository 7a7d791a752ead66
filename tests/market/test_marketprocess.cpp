#include "common/marketprocess.h"
#include "common/rows.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <signal.h>

namespace {

constexpr int kWaitMs = 15000;

QStringList words(const char *line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString program(const QString &name = QStringLiteral("quorvane-market"))
{
    return qEnvironmentVariable("QUORVANE_PROGRAM_DIR") + u'/' + name;
}

} // namespace

class TestMarketProcess : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output"); // |-separated, each on stdout or stderr
        row("help", QByteArray("quorvane-market --help"), 0,
            QByteArray("Usage: quorvane-market|--bind|--port|--seed|--speed|--per-client|--quiet|--version"));
        row("version", QByteArray("quorvane-market --version"), 0, QByteArray("quorvane-market 1.0~beta\n"));
        row("unknown option", QByteArray("quorvane-market --verbose"), 2,
            QByteArray("unknown option '--verbose'|Try 'quorvane-market --help'"));
        row("address that is not local", QByteArray("quorvane-market --bind 192.0.2.1 --port 0"), 1,
            QByteArray("cannot listen on 192.0.2.1"));
        // The game answers too, with no display to open a window on and no market started.
        row("game help", QByteArray("quorvane -platform xcb --help"), 0,
            QByteArray("Usage: quorvane [--help | --version]|-v, --version"));
        row("game version", QByteArray("quorvane -v"), 0, QByteArray("quorvane 1.0~beta\n"));
    }
    void commandLines()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(name));
        process.setProcessEnvironment(environment);
        QStringList args = words(command.constData());
        process.start(program(args.takeFirst()), args);
        QVERIFY(process.waitForFinished(kWaitMs));
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray out = process.readAll();
        for (const QByteArray &text : output.split('|'))
            QVERIFY2(out.contains(text), text.constData());
    }

    void stopsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        row("SIGTERM", int(SIGTERM));
        row("SIGINT", int(SIGINT));
    }
    void stopsCleanlyOnSignal()
    {
        QFETCH(int, signalNumber);
        QProcess process;
        const int port = startMarketOnFreePort(process, words("--seed 5"), kWaitMs);
        QVERIFY(port > 0);
        // A second one on the busy port is refused, and the first goes on serving.
        QProcess second;
        second.start(program(), words("--quiet --port") << QString::number(port));
        QVERIFY(second.waitForFinished(kWaitMs));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("already in use"));
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
};

QTEST_GUILESS_MAIN(TestMarketProcess)
#include "test_marketprocess.moc"
