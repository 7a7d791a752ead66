// The quote download on a real socket against a server that breaks off mid-answer or sends a
// header too large to keep; a stalled answer and well-formed oddities are pinned with a fake
// socket in test_quotesync and test_httpdownload.
#include "common/fakes.h"
#include "model/numbertext.h"
#include "platform/tcpsocket.h"
#include "sync/quotesync.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kQuote("\"IBM\",85.5,\"6/1/2004\",\"4:00pm\",-1.25,86.1,87,85,4200\r\n");
const QByteArray kHead("HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\n");
const QByteArray kLength = "Content-Length: " + QByteArray::number(kQuote.size()) + "\r\n\r\n";

// Answers its first connection as `first` says, later ones correctly.
class MisbehavingServer : public QTcpServer
{
public:
    enum class Answer { Correct, ResetMidBody, CloseMidBody, HugeHeader };
    Answer first = Answer::Correct;
    int connections = 0;
    QByteArray lastRequest;

    MisbehavingServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                const Answer how = connections++ == 0 ? first : Answer::Correct;
                auto request = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, request, how] {
                    if (request->contains("\r\n\r\n"))
                        return; // answered already
                    *request += socket->readAll();
                    if (request->contains("\r\n\r\n")) {
                        lastRequest = *request;
                        answer(socket, how);
                    }
                });
            }
        });
    }

private:
    void answer(QTcpSocket *socket, Answer how)
    {
        const QByteArray half = kHead + kLength + kQuote.left(kQuote.size() / 2);
        if (how == Answer::Correct)
            socket->write(kHead + kLength + kQuote);
        else if (how == Answer::HugeHeader)
            socket->write(kHead + "X-Padding: " + QByteArray(70000, 'p') + "\r\n" + kLength + kQuote);
        else
            socket->write(half);
        if (how == Answer::CloseMidBody)
            socket->disconnectFromHost();
        if (how != Answer::ResetMidBody)
            return;
        socket->flush();
        // Linger of zero: closing sends a reset instead of an orderly end.
        const linger hard{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        QTimer::singleShot(40, this, [guard = QPointer<QTcpSocket>(socket)] {
            if (guard)
                guard->abort();
        });
    }
};

} // namespace

Q_DECLARE_METATYPE(MisbehavingServer::Answer)

class TestMisbehaving : public QObject
{
    Q_OBJECT

private slots:
    // A failed attempt is retried at once, without waiting for the time-out.
    void recovers_data()
    {
        QTest::addColumn<MisbehavingServer::Answer>("first");
        QTest::addRow("reset mid-body") << MisbehavingServer::Answer::ResetMidBody;
        QTest::addRow("closed mid-body") << MisbehavingServer::Answer::CloseMidBody;
        QTest::addRow("huge header") << MisbehavingServer::Answer::HugeHeader;
    }
    void recovers()
    {
        QFETCH(MisbehavingServer::Answer, first);
        QTemporaryDir dir;
        MisbehavingServer server;
        server.first = first;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QuotePanel panel;
        panel.lblQuote = u"IBM"_s;
        const ProxySetting proxy;
        const NumberFormat numbers;
        QuoteSync sync(panel, proxy, numbers, dir.path(), u"127.0.0.1:%1"_s.arg(server.serverPort()),
                       std::make_unique<TcpSocket>(), std::make_unique<FakeClock>());
        QSignalSpy changed(&sync, &QuoteSync::panelChanged);
        sync.cmdSync_Click();
        QTRY_COMPARE_WITH_TIMEOUT(panel.lblTrade, u"85.5"_s, 10000);
        QCOMPARE(server.connections, 2);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(sync.retryCount(), 0);
        QVERIFY(sync.isSyncEnabled());
        QFile stored(dir.filePath(u"quote.cfg"_s));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), kQuote);
        QVERIFY(server.lastRequest.startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestMisbehaving)
#include "test_misbehaving.moc"
