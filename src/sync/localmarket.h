#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;
class QTcpSocket;

// The market service on this machine that the game uses when services.cfg names no other.
// ensure() looks whether a market already answers on the default port and reuses it; if not,
// it starts the quorvane-market beside the game as a child process (on a port of the system's
// choosing when the default one is held by something else) and waits until it takes
// connections. Everything runs from the event loop. The child ends with the game: stop() at
// exit, and a parent-death signal when the game dies without stopping it.
class LocalMarket : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 8421;

    explicit LocalMarket(const QString &executable, QObject *parent = nullptr);
    ~LocalMarket() override;

    // Finds or starts the market; settled() follows, once.
    void ensure(quint16 port = kDefaultPort);
    // Ends the market this object started; one it found running is left alone.
    void stop();

    bool isSettled() const { return m_state == State::Ready || m_state == State::Failed; }
    bool isReady() const { return m_state == State::Ready; }
    // "127.0.0.1:port" of the market in use once ready.
    QString host() const;
    // The process this object started (running or not), 0 when it reused one or started none.
    qint64 startedProcessId() const;
    // Why no market could be had, for the log; empty otherwise.
    const QString &failure() const { return m_failure; }

signals:
    // The search is over: isReady() says whether a market answers at host().
    void settled();

private:
    enum class State { Idle, Probing, Starting, Waiting, Ready, Failed };

    void probe();
    void judgeProbe();
    void launch(quint16 port);
    void readAnnouncedPort();
    void tryConnect();
    void processEnded();
    void finish(State state, const QString &failure = {});

    const QString m_executable;
    State m_state = State::Idle;
    quint16 m_port = kDefaultPort;
    quint16 m_askedPort = kDefaultPort;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_answer;
    QProcess *m_process = nullptr;
    qint64 m_pid = 0;
    QElapsedTimer m_since;
    QString m_failure;
};
