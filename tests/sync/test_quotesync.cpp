#include "common/fakes.h"
#include "model/numbertext.h"
#include "sync/quotesync.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestQuoteSync : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noTickerSelected();
    void startsTheQuoteRequest();
    void panelTexts_data();
    void panelTexts();
    void valueUsesTheUsersSeparator();
    void failedAttemptPanel_data();
    void failedAttemptPanel();
    void tenFailedAttemptsShowTheMessageOnce();
    void successInBetweenResetsTheCounter();
    void partOfARecordIsAFailedAttempt_data();
    void partOfARecordIsAFailedAttempt();
    void newSyncAbandonsTheRunningOne();
    void abandonStopsEverythingSilently();
    void destroyedMidDownloadStaysSilent();

private:
    // Connects, answers with `body` under `status`, and lets the completion run.
    void answer(const QByteArray &body, const QByteArray &status = "200 OK");
    void failAttempt();

    std::unique_ptr<QTemporaryDir> m_dir;
    QuotePanel m_panel;
    ProxySetting m_proxy;
    NumberFormat m_numbers;
    FakeSocket *m_socket = nullptr;
    std::unique_ptr<QuoteSync> m_sync;
    std::unique_ptr<QSignalSpy> m_messages;
};

void TestQuoteSync::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_panel = QuotePanel();
    m_proxy = ProxySetting();
    m_numbers = NumberFormat();
    auto socket = std::make_unique<FakeSocket>();
    m_socket = socket.get();
    m_sync = std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_dir->path(),
                                         QStringLiteral("quotes.test:8421"), std::move(socket),
                                         std::make_unique<FakeClock>());
    m_messages = std::make_unique<QSignalSpy>(m_sync.get(), &QuoteSync::messageRequested);
}

void TestQuoteSync::cleanup()
{
    m_messages.reset();
    m_sync.reset();
}

void TestQuoteSync::answer(const QByteArray &body, const QByteArray &status)
{
    m_socket->accept();
    m_socket->deliver(okHeader(body.size(), status) + body);
    settle();
}

void TestQuoteSync::failAttempt()
{
    m_socket->fail();
    settle();
}

void TestQuoteSync::noTickerSelected()
{
    QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
    m_sync->cmdSync_Click();
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->first().first().toString(), QStringLiteral("Please select a quote from the list"));
    QVERIFY(m_socket->connects.isEmpty());
    QVERIFY(m_sync->isSyncEnabled());
    QCOMPARE(enabled.count(), 0);
}

void TestQuoteSync::startsTheQuoteRequest()
{
    QCOMPARE(m_sync->download().panel().TextUrl,
             QStringLiteral("http://quotes.test:8421/d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv"));
    QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
    QSignalSpy timers(m_sync.get(), &QuoteSync::timersEnabledChanged);
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    QCOMPARE(m_sync->download().panel().TextUrl,
             QStringLiteral("http://quotes.test:8421/d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv"));
    QVERIFY(!m_sync->isSyncEnabled());
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(timers.count(), 1);
    QVERIFY(timers.first().first().toBool());
    QCOMPARE(m_socket->connects.first(), qMakePair(QStringLiteral("quotes.test"), quint16(8421)));
    m_socket->accept();
    QVERIFY(m_socket->sent.startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
    QVERIFY(m_socket->sent.contains("\r\nHost: quotes.test:8421\r\n"));
}

void TestQuoteSync::panelTexts_data()
{
    QTest::addColumn<QString>("ticker");
    QTest::addColumn<QString>("owned");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("texts"); // trade, time, volume, variation, value
    QTest::addColumn<bool>("up");

    QTest::addRow("the example line")
        << "MSFT"
        << "" << QByteArray("\"MSFT\",27.12,\"6/1/2004\",\"4:00pm\",+0.35,26.80,27.20,26.70,12345678\r\n")
        << QStringList{u"27.12"_s, u"6/1/2004 at 4:00pm"_s, u"12345678"_s, u"+0.35 (opened at 26.8$)"_s,
                       u""_s}
        << true;
    QTest::addRow("unknown ticker answered with N/A")
        << "ZZZZ"
        << "0" << QByteArray("\"ZZZZ\",0.00,\"N/A\",\"N/A\",N/A,N/A,N/A,N/A,N/A\r\n")
        << QStringList{u"0"_s, u"N/A at N/A"_s, u"N/A"_s, u"N/A (opened at 0$)"_s, u"0"_s} << false;
    QTest::addRow("+0.00 is up") << "IBM"
                                 << "" << QByteArray("IBM,85,d,t,+0.00,85,1,1,5")
                                 << QStringList{u"85"_s, u"d at t"_s, u"5"_s, u"+0.00 (opened at 85$)"_s,
                                                u""_s}
                                 << true;
    QTest::addRow("-1.25 is down") << "IBM"
                                   << "" << QByteArray("IBM,85,d,t,-1.25,86.25,1,1,5")
                                   << QStringList{u"85"_s, u"d at t"_s, u"5"_s, u"-1.25 (opened at 86.25$)"_s,
                                                  u""_s}
                                   << false;
    QTest::addRow("100 shares at 25.5 are worth 2550")
        << "IBM"
        << "100" << QByteArray("IBM,25.5,d,t,+1,25,1,1,5")
        << QStringList{u"25.5"_s, u"d at t"_s, u"5"_s, u"+1 (opened at 25$)"_s, u"2550"_s} << true;
    QTest::addRow("a trade of 27.10 shows 27.1")
        << "IBM"
        << "3" << QByteArray("IBM,27.10,d,t,+1,25,1,1,5")
        << QStringList{u"27.1"_s, u"d at t"_s, u"5"_s, u"+1 (opened at 25$)"_s, u"81.3"_s} << true;
    QTest::addRow("symbol compared ignoring case and blanks")
        << "ibm"
        << "" << QByteArray("\" IBM \",1,d,t,-1,1,1,1,5")
        << QStringList{u"1"_s, u"d at t"_s, u"5"_s, u"-1 (opened at 1$)"_s, u""_s} << false;
}

void TestQuoteSync::panelTexts()
{
    QFETCH(QString, ticker);
    QFETCH(QString, owned);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, texts);
    QFETCH(bool, up);

    QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
    m_panel.lblQuote = ticker;
    m_panel.lblOwned = owned;
    m_sync->cmdSync_Click();
    answer(body);

    QCOMPARE((QStringList{m_panel.lblTrade, m_panel.lblTime, m_panel.lblVolume, m_panel.lblVariation,
                          m_panel.lblValue}),
             texts);
    QCOMPARE(m_panel.picUpVisible, up);
    QCOMPARE(m_panel.picDownVisible, !up);
    QCOMPARE(m_sync->retryCount(), 0);
    QVERIFY(m_sync->isSyncEnabled());
    QVERIFY(!m_sync->timersEnabled());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_socket->connects.size(), 1);
    QVERIFY(m_messages->isEmpty());
}

void TestQuoteSync::valueUsesTheUsersSeparator()
{
    m_numbers = NumberFormat::withDecimal(u',');
    m_panel.lblQuote = QStringLiteral("IBM");
    m_panel.lblOwned = QStringLiteral("100");
    m_sync->cmdSync_Click();
    answer("IBM,25.5,d,t,+0.5,25.25,1,1,5");
    QCOMPARE(m_panel.lblTrade, QStringLiteral("25,5"));
    QCOMPARE(m_panel.lblVariation, QStringLiteral("+0.5 (opened at 25,25$)"));
    QCOMPARE(m_panel.lblValue, QStringLiteral("2550"));
}

void TestQuoteSync::failedAttemptPanel_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::addRow("empty answer") << QByteArray("200 OK") << QByteArray();
    QTest::addRow("empty symbol") << QByteArray("200 OK") << QByteArray(",27.12,d,t,+1,1,1,1,5");
    QTest::addRow("quote of another ticker")
        << QByteArray("200 OK") << QByteArray("MSFT,27.12,d,t,+1,1,1,1,5");
    QTest::addRow("html page sent as a success")
        << QByteArray("200 OK") << QByteArray("<html><body>Service moved</body></html>");
    QTest::addRow("404 page") << QByteArray("404 Not Found") << QByteArray("IBM,27.12,d,t,+1,1,1,1,5");
}

void TestQuoteSync::failedAttemptPanel()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);

    m_panel.lblQuote = QStringLiteral("IBM");
    m_panel.lblOwned = QStringLiteral("10");
    m_panel.lblValue = QStringLiteral("kept");
    m_sync->cmdSync_Click();
    answer(body, status);

    QCOMPARE(m_panel.lblTrade, QString());
    QCOMPARE(m_panel.lblTime, QStringLiteral(" at "));
    QCOMPARE(m_panel.lblVolume, QString());
    QCOMPARE(m_panel.lblVariation, QStringLiteral(" (opened at 0$)"));
    QVERIFY(!m_panel.picUpVisible);
    QVERIFY(m_panel.picDownVisible);
    QCOMPARE(m_panel.lblValue, QStringLiteral("kept"));
    // Retried at once.
    QCOMPARE(m_sync->retryCount(), 1);
    QCOMPARE(m_socket->connects.size(), 2);
    QVERIFY(!m_sync->isSyncEnabled());
    QVERIFY(m_sync->timersEnabled());
}

void TestQuoteSync::tenFailedAttemptsShowTheMessageOnce()
{
    QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    for (int attempt = 1; attempt <= 9; ++attempt) {
        failAttempt();
        QCOMPARE(m_sync->retryCount(), attempt);
        QVERIFY(m_messages->isEmpty());
    }
    failAttempt();
    QCOMPARE(m_socket->connects.size(), 10);
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->first().first().toString(),
             QStringLiteral("Synchronization failed after 10 retries.\n"
                            "Please check your Internet connection and try again."));
    QCOMPARE(m_sync->retryCount(), 0);
    QVERIFY(m_sync->isSyncEnabled());
    QVERIFY(!m_sync->timersEnabled());
    QCOMPARE(enabled.count(), 2); // off at the first attempt, on after the tenth

    // The next synchronisation starts a fresh series of ten.
    m_sync->cmdSync_Click();
    for (int attempt = 1; attempt <= 9; ++attempt)
        failAttempt();
    QCOMPARE(m_messages->count(), 1);
    failAttempt();
    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_socket->connects.size(), 20);
}

void TestQuoteSync::successInBetweenResetsTheCounter()
{
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    for (int attempt = 1; attempt <= 5; ++attempt)
        failAttempt();
    QCOMPARE(m_sync->retryCount(), 5);
    answer("IBM,1,d,t,+1,1,1,1,5");
    QCOMPARE(m_sync->retryCount(), 0);

    m_sync->cmdSync_Click();
    for (int attempt = 1; attempt <= 9; ++attempt)
        failAttempt();
    QVERIFY(m_messages->isEmpty());
    QCOMPARE(m_sync->retryCount(), 9);
}

void TestQuoteSync::partOfARecordIsAFailedAttempt_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addRow("idle time-out") << "timeout";
    QTest::addRow("socket error") << "error";
    QTest::addRow("server closes") << "close";
    QTest::addRow("Stop") << "stop";
}

void TestQuoteSync::partOfARecordIsAFailedAttempt()
{
    QFETCH(QString, ending);
    m_panel.lblQuote = QStringLiteral("IBM");
    m_panel.lblOwned = QStringLiteral("10");
    m_sync->cmdSync_Click();
    m_socket->accept();
    // "85" of what would have been "85.5": the symbol is there, the price is not.
    m_socket->deliver(okHeader(24) + "IBM,85");
    if (ending == QLatin1String("timeout")) {
        for (int tick = 1; tick <= 61; ++tick)
            m_sync->Timer_Seconde_Timer();
    } else if (ending == QLatin1String("error")) {
        m_socket->fail();
    } else if (ending == QLatin1String("close")) {
        emit m_socket->peerClosed();
    } else {
        m_sync->download().CmdStop_Click();
    }
    settle();
    QCOMPARE(m_panel.lblTrade, QString());
    QCOMPARE(m_panel.lblValue, QString());
    QCOMPARE(m_sync->retryCount(), 1);
    QCOMPARE(m_socket->connects.size(), 2);
}

void TestQuoteSync::newSyncAbandonsTheRunningOne()
{
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    m_socket->accept();
    const QByteArray ibm("IBM,85,d,t,+1,1,1,1,5");
    m_socket->deliver(okHeader(ibm.size()) + ibm); // complete, its completion not yet run

    m_panel.clearQuoteFields();
    m_panel.lblQuote = QStringLiteral("MSFT");
    m_sync->cmdSync_Click();
    settle();
    QCOMPARE(m_socket->closes, 1);
    QCOMPARE(m_socket->connects.size(), 2);
    QCOMPARE(m_sync->retryCount(), 0);
    QCOMPARE(m_panel.lblTrade, QString()); // the IBM answer never shows
    QVERIFY(!m_panel.picDownVisible && !m_panel.picUpVisible);

    answer("MSFT,27.12,d,t,+1,1,1,1,5");
    QCOMPARE(m_panel.lblTrade, QStringLiteral("27.12"));
    QVERIFY(m_sync->isSyncEnabled());
}

void TestQuoteSync::abandonStopsEverythingSilently()
{
    QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
    QSignalSpy timers(m_sync.get(), &QuoteSync::timersEnabledChanged);
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    m_socket->accept();
    m_socket->deliver(okHeader(3) + "IBM");
    m_sync->abandon();
    settle();
    QVERIFY(m_socket->isClosed());
    QVERIFY(!m_sync->timersEnabled());
    QCOMPARE(timers.count(), 2);
    QVERIFY(!timers.last().first().toBool());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_socket->connects.size(), 1);
    m_sync->Timer_Seconde_Timer(); // a tick already queued by the window does nothing
    QCOMPARE(changed.count(), 0);
}

void TestQuoteSync::destroyedMidDownloadStaysSilent()
{
    int heard = 0;
    QObject listener;
    connect(m_sync.get(), &QuoteSync::panelChanged, &listener, [&heard] { ++heard; });
    connect(m_sync.get(), &QuoteSync::timersEnabledChanged, &listener, [&heard] { ++heard; });
    m_panel.lblQuote = QStringLiteral("IBM");
    m_sync->cmdSync_Click();
    heard = 0;
    m_socket->accept();
    m_socket->deliver(okHeader(3) + "IBM"); // its completion is pending
    m_messages.reset();
    m_sync.reset();
    settle();
    QCOMPARE(heard, 0);
}

QTEST_GUILESS_MAIN(TestQuoteSync)
#include "test_quotesync.moc"
