#include "localmarket.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");
// Long enough for a loaded machine to start the service, short enough that a first click
// ends in the usual failure message rather than an endless wait.
constexpr int kStartLimitMs = 8000;
constexpr int kProbeLimitMs = 1500;
constexpr int kRetryMs = 20;
constexpr qsizetype kAnswerLimit = 8 * 1024;

// What a market answers to a quote request: a 200 whose body is the stock's own line.
bool isMarketAnswer(const QByteArray &answer)
{
    const qsizetype bodyAt = answer.indexOf("\r\n\r\n");
    if (bodyAt < 0 || !answer.startsWith("HTTP/1.") || answer.mid(8, 5) != " 200 ")
        return false;
    return answer.mid(bodyAt + 4).startsWith("\"MSFT\",");
}

} // namespace

LocalMarket::LocalMarket(const QString &executable, QObject *parent)
    : QObject(parent), m_executable(executable)
{}

LocalMarket::~LocalMarket()
{
    stop();
}

QString LocalMarket::host() const
{
    return kLoopback + QLatin1Char(':') + QString::number(m_port);
}

qint64 LocalMarket::startedProcessId() const
{
    return m_pid;
}

void LocalMarket::ensure(quint16 port)
{
    if (m_state != State::Idle)
        return;
    m_askedPort = port;
    m_port = port;
    probe();
}

void LocalMarket::probe()
{
    m_state = State::Probing;
    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, [socket] {
        socket->write("GET /d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"
                      "Host: 127.0.0.1\r\nConnection: close\r\n\r\n");
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        m_answer += socket->read(kAnswerLimit - m_answer.size());
        if (m_answer.size() >= kAnswerLimit)
            judgeProbe();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        if (m_state != State::Probing || socket != m_socket)
            return;
        if (error == QAbstractSocket::ConnectionRefusedError)
            launch(m_askedPort); // nobody there: the default port is ours
        else
            judgeProbe(); // closed after an answer, or something odd holds the port
    });
    QTimer::singleShot(kProbeLimitMs, socket, [this] {
        if (m_state == State::Probing)
            judgeProbe(); // something holds the port and does not answer like a market
    });
    socket->connectToHost(kLoopback, m_askedPort);
}

void LocalMarket::judgeProbe()
{
    if (m_state != State::Probing)
        return;
    if (m_socket)
        m_socket->deleteLater();
    if (isMarketAnswer(m_answer))
        finish(State::Ready);
    else
        launch(0);
}

void LocalMarket::launch(quint16 port)
{
    if (m_socket)
        m_socket->deleteLater();
    m_state = State::Starting;
    m_askedPort = port;
    m_port = port;
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
    }
    m_process = new QProcess(this);
    m_process->setProgram(m_executable);
    m_process->setArguments({QStringLiteral("--quiet"), QStringLiteral("--port"), QString::number(port)});
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardInputFile(QProcess::nullDevice());
    const pid_t game = getpid();
    // In the child, before exec: it gets SIGTERM when the game dies, even by a crash; if the
    // game is already gone it does not start at all.
    m_process->setChildProcessModifier([game] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != game)
            _exit(1);
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && !isSettled())
            finish(State::Failed,
                   QStringLiteral("cannot start %1: %2").arg(m_executable, m_process->errorString()));
    });
    connect(m_process, &QProcess::started, this, [this] { m_pid = m_process->processId(); });
    connect(m_process, &QProcess::finished, this, &LocalMarket::processEnded);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &LocalMarket::readAnnouncedPort);
    m_since.start();
    m_process->start();
    if (port != 0) {
        m_state = State::Waiting;
        tryConnect();
    }
}

void LocalMarket::readAnnouncedPort()
{
    static const QRegularExpression serving(QStringLiteral("serving on http://[^:/]+:(\\d+)"));
    while (m_process->canReadLine()) {
        const QString line = QString::fromUtf8(m_process->readLine());
        const QRegularExpressionMatch match = serving.match(line);
        if (m_state == State::Starting && match.hasMatch()) {
            m_port = quint16(match.captured(1).toUInt());
            m_state = State::Waiting;
            tryConnect();
        }
    }
}

void LocalMarket::tryConnect()
{
    if (m_state != State::Waiting)
        return;
    if (m_since.elapsed() > kStartLimitMs) {
        stop();
        finish(State::Failed,
               QStringLiteral("quorvane-market did not answer within %1 s").arg(kStartLimitMs / 1000));
        return;
    }
    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        socket->deleteLater();
        if (m_state == State::Waiting)
            finish(State::Ready);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        socket->deleteLater();
        QTimer::singleShot(kRetryMs, this, &LocalMarket::tryConnect);
    });
    socket->connectToHost(kLoopback, m_port);
}

void LocalMarket::processEnded()
{
    if (isSettled())
        return;
    // The default port was taken between the look and the start: any free one will do.
    if (m_askedPort != 0 && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 1) {
        launch(0);
        return;
    }
    finish(State::Failed,
           QStringLiteral("quorvane-market ended before it answered (status %1)").arg(m_process->exitCode()));
}

void LocalMarket::finish(State state, const QString &failure)
{
    if (m_socket)
        m_socket->deleteLater();
    m_state = state;
    m_failure = failure;
    if (state == State::Failed)
        qWarning("%s", qPrintable(failure));
    emit settled();
}

void LocalMarket::stop()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    m_process->disconnect(this);
    m_process->terminate();
    if (!m_process->waitForFinished(3000)) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}
