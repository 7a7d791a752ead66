// "Synchronize": the quote request for the selected ticker, the panel texts made of the answer,
// and the ten retries of failed attempts. The record's fields are test_quotereader's.
#include "common/fakes.h"
#include "common/files.h"
#include "common/rows.h"
#include "model/numbertext.h"
#include "sync/chartpage.h"
#include "sync/quotesync.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <memory>

using namespace Qt::StringLiterals;

class TestQuoteSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QuotePanel m_panel;
    ProxySetting m_proxy;
    NumberFormat m_numbers;
    FakeSocket *m_socket = nullptr;
    std::unique_ptr<QuoteSync> m_sync;
    std::unique_ptr<QSignalSpy> m_messages;

    void sync(const QString &ticker, const QString &owned = {})
    {
        m_panel.lblQuote = ticker;
        m_panel.lblOwned = owned;
        m_sync->cmdSync_Click();
    }
    // Connects, answers with `body` under `status`, and lets the completion run.
    void answer(const QByteArray &body, const QByteArray &status = "200 OK")
    {
        m_socket->accept();
        m_socket->deliver(okHeader(body.size(), status) + body);
        settle();
    }
    void failAttempts(int count)
    {
        for (int attempt = 0; attempt < count; ++attempt) {
            m_socket->fail();
            settle();
        }
    }
    QString shown() const
    {
        const QuotePanel &p = m_panel;
        return p.lblTrade + u'|' + p.lblTime + u'|' + p.lblVolume + u'|' + p.lblVariation + u'|' +
               p.lblValue + (p.picUpVisible ? u"|up|"_s : u"||"_s) + (p.picDownVisible ? u"down"_s : u""_s);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_panel = QuotePanel();
        m_numbers = NumberFormat();
        auto socket = std::make_unique<FakeSocket>();
        m_socket = socket.get();
        m_sync =
            std::make_unique<QuoteSync>(m_panel, m_proxy, m_numbers, m_dir->path(), u"quotes.test:8421"_s,
                                        std::move(socket), std::make_unique<FakeClock>());
        m_messages = std::make_unique<QSignalSpy>(m_sync.get(), &QuoteSync::messageRequested);
    }
    void cleanup()
    {
        m_messages.reset();
        m_sync.reset();
    }

    void noTickerSelected()
    {
        QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
        m_sync->cmdSync_Click();
        QCOMPARE(m_messages->value(0).value(0).toString(), u"Please select a quote from the list"_s);
        QVERIFY(m_socket->connects.isEmpty() && m_sync->isSyncEnabled() && enabled.isEmpty());
    }

    void startsTheQuoteRequest()
    {
        QCOMPARE(m_sync->download().panel().TextUrl,
                 u"http://quotes.test:8421/d/quotes.csv?s=MSFT&f=sl1d1t1c1ohgv&e=.csv"_s);
        QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
        QSignalSpy timers(m_sync.get(), &QuoteSync::timersEnabledChanged);
        sync(u"IBM"_s);
        QCOMPARE(m_sync->download().panel().TextUrl,
                 u"http://quotes.test:8421/d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv"_s);
        QVERIFY(!m_sync->isSyncEnabled() && enabled.count() == 1);
        QVERIFY(timers.count() == 1 && timers.first().first().toBool());
        QCOMPARE(m_socket->connects.first(), qMakePair(u"quotes.test"_s, quint16(8421)));
        m_socket->accept();
        QVERIFY(m_socket->sent.startsWith("GET /d/quotes.csv?s=IBM&f=sl1d1t1c1ohgv&e=.csv HTTP/1.1\r\n"));
        QVERIFY(m_socket->sent.contains("\r\nHost: quotes.test:8421\r\n"));
    }

    void panelTexts_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("owned");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("texts"); // trade|time|volume|variation|value|up|down
        QTest::addColumn<char>("decimal");
        auto row = [](const char *tag, const char *ticker, const char *owned, const QByteArray &body,
                      const char *texts, char decimal = '.') {
            ::row(tag, QString::fromLatin1(ticker), QString::fromLatin1(owned), body,
                  QString::fromUtf8(texts), decimal);
        };
        row("the example line", "MSFT", "",
            "\"MSFT\",27.12,\"6/1/2004\",\"4:00pm\",+0.35,26.80,27.20,26.70,12345678\r\n",
            "27.12|6/1/2004 at 4:00pm|12345678|+0.35 (opened at 26.8$)||up|");
        row("unknown ticker answered with N/A", "ZZZZ", "0",
            "\"ZZZZ\",0.00,\"N/A\",\"N/A\",N/A,N/A,N/A,N/A,N/A\r\n",
            "0|N/A at N/A|N/A|N/A (opened at 0$)|0||down");
        row("+0.00 is up", "IBM", "", "IBM,85,d,t,+0.00,85,1,1,5", "85|d at t|5|+0.00 (opened at 85$)||up|");
        row("-1.25 is down", "IBM", "", "IBM,85,d,t,-1.25,86.25,1,1,5",
            "85|d at t|5|-1.25 (opened at 86.25$)|||down");
        row("100 shares at 25.5 are worth 2550", "IBM", "100", "IBM,25.5,d,t,+1,25,1,1,5",
            "25.5|d at t|5|+1 (opened at 25$)|2550|up|");
        row("a trade of 27.10 shows 27.1", "IBM", "3", "IBM,27.10,d,t,+1,25,1,1,5",
            "27.1|d at t|5|+1 (opened at 25$)|81.3|up|");
        row("symbol compared ignoring case and blanks", "ibm", "", "\" IBM \",1,d,t,-1,1,1,1,5",
            "1|d at t|5|-1 (opened at 1$)|||down");
        row("the user's separator", "IBM", "100", "IBM,25.5,d,t,+0.5,25.25,1,1,5",
            "25,5|d at t|5|+0.5 (opened at 25,25$)|2550|up|", ',');
    }
    void panelTexts()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, owned);
        QFETCH(QByteArray, body);
        QFETCH(QString, texts);
        QFETCH(char, decimal);
        m_numbers = NumberFormat::withDecimal(QChar::fromLatin1(decimal));
        QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
        sync(ticker, owned);
        answer(body);
        QCOMPARE(shown(), texts);
        QVERIFY(m_sync->retryCount() == 0 && m_sync->isSyncEnabled() && !m_sync->timersEnabled());
        QVERIFY(changed.count() == 1 && m_socket->connects.size() == 1 && m_messages->isEmpty());
    }

    // An answer that is no quote of the ticker clears the quote fields and is retried at once.
    void failedAttemptPanel_data()
    {
        QTest::addColumn<QByteArray>("body");
        row("empty answer", QByteArray());
        row("empty symbol", QByteArray(",27.12,d,t,+1,1,1,1,5"));
        row("quote of another ticker", QByteArray("MSFT,27.12,d,t,+1,1,1,1,5"));
        row("html page sent as a success", QByteArray("<html><body>Service moved</body></html>"));
    }
    void failedAttemptPanel()
    {
        QFETCH(QByteArray, body);
        sync(u"IBM"_s, u"10"_s);
        m_panel.lblValue = u"kept"_s;
        answer(body);
        QCOMPARE(shown(), u"| at || (opened at 0$)|kept||down"_s);
        QVERIFY(m_sync->retryCount() == 1 && m_socket->connects.size() == 2);
        QVERIFY(!m_sync->isSyncEnabled() && m_sync->timersEnabled());
    }

    // Ten failed attempts in a row, and only ten, end in one message; a success in between
    // starts the count again.
    void tenFailedAttemptsShowTheMessageOnce()
    {
        QSignalSpy enabled(m_sync.get(), &QuoteSync::syncEnabledChanged);
        sync(u"IBM"_s);
        failAttempts(5);
        answer("IBM,1,d,t,+1,1,1,1,5");
        QCOMPARE(m_sync->retryCount(), 0);
        m_sync->cmdSync_Click();
        for (int attempt = 1; attempt <= 9; ++attempt) {
            failAttempts(1);
            QCOMPARE(m_sync->retryCount(), attempt);
        }
        QVERIFY(m_messages->isEmpty());
        failAttempts(1);
        QCOMPARE(m_socket->connects.size(), 16);
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(
            m_messages->first().first().toString(),
            u"Synchronization failed after 10 retries.\nPlease check your Internet connection and try again."_s);
        QVERIFY(m_sync->retryCount() == 0 && m_sync->isSyncEnabled() && !m_sync->timersEnabled());
        QCOMPARE(enabled.count(), 4); // off at each first attempt, on after the success and the tenth

        // The next synchronisation starts a fresh series of ten.
        m_sync->cmdSync_Click();
        failAttempts(9);
        QCOMPARE(m_messages->count(), 1);
        failAttempts(1);
        QCOMPARE(m_messages->count(), 2);
    }

    void partOfARecordIsAFailedAttempt_data()
    {
        QTest::addColumn<QString>("ending");
        for (const char *ending : {"timeout", "error", "close", "stop"})
            row(ending, ending);
    }
    void partOfARecordIsAFailedAttempt()
    {
        QFETCH(QString, ending);
        sync(u"IBM"_s, u"10"_s);
        m_socket->accept();
        // "85" of what would have been "85.5": the symbol is there, the price is not.
        m_socket->deliver(okHeader(24) + "IBM,85");
        if (ending == u"timeout") {
            for (int tick = 1; tick <= 61; ++tick)
                m_sync->Timer_Seconde_Timer();
        } else if (ending == u"error") {
            m_socket->fail();
        } else if (ending == u"close") {
            emit m_socket->peerClosed();
        } else {
            m_sync->download().CmdStop_Click();
        }
        settle();
        QCOMPARE(m_panel.lblTrade + m_panel.lblValue, QString());
        QVERIFY(m_sync->retryCount() == 1 && m_socket->connects.size() == 2);
    }

    void newSyncAbandonsTheRunningOne()
    {
        sync(u"IBM"_s);
        m_socket->accept();
        m_socket->deliver(okHeader(21) + "IBM,85,d,t,+1,1,1,1,5"); // complete, its completion not yet run
        m_panel.clearQuoteFields();
        sync(u"MSFT"_s);
        settle();
        QVERIFY(m_socket->closes == 1 && m_socket->connects.size() == 2 && m_sync->retryCount() == 0);
        QCOMPARE(m_panel.lblTrade, QString()); // the IBM answer never shows
        QVERIFY(!m_panel.picDownVisible && !m_panel.picUpVisible);
        answer("MSFT,27.12,d,t,+1,1,1,1,5");
        QCOMPARE(m_panel.lblTrade, u"27.12"_s);
        QVERIFY(m_sync->isSyncEnabled());
    }

    void abandonStopsEverythingSilently()
    {
        QSignalSpy changed(m_sync.get(), &QuoteSync::panelChanged);
        QSignalSpy timers(m_sync.get(), &QuoteSync::timersEnabledChanged);
        sync(u"IBM"_s);
        m_socket->accept();
        m_socket->deliver(okHeader(3) + "IBM");
        m_sync->abandon();
        settle();
        QVERIFY(m_socket->isClosed() && !m_sync->timersEnabled());
        QVERIFY(timers.count() == 2 && !timers.last().first().toBool());
        QVERIFY(changed.isEmpty() && m_socket->connects.size() == 1);
        m_sync->Timer_Seconde_Timer(); // a tick already queued by the window does nothing
        QCOMPARE(changed.count(), 0);
    }

    void destroyedMidDownloadStaysSilent()
    {
        int heard = 0;
        QObject listener;
        connect(m_sync.get(), &QuoteSync::panelChanged, &listener, [&heard] { ++heard; });
        connect(m_sync.get(), &QuoteSync::timersEnabledChanged, &listener, [&heard] { ++heard; });
        sync(u"IBM"_s);
        heard = 0;
        m_socket->accept();
        m_socket->deliver(okHeader(3) + "IBM"); // its completion is pending
        m_messages.reset();
        m_sync.reset();
        settle();
        QCOMPARE(heard, 0);
    }

    // The chart page the web pane shows for the selection, byte for byte, and the image address
    // the pane fetches with its query intact; the ticker is not encoded.
    void chartPageIsByteExact()
    {
        for (const auto &[host, ticker] :
             {std::pair{u"127.0.0.1:8765"_s, u"IBM"_s}, {u"charts.test"_s, u"BRK B"_s}}) {
            const QByteArray image = "http://" + host.toLatin1() +
                                     "/servlet/ChartEngine?symbol=" + ticker.toLatin1() +
                                     "&ticker=" + ticker.toLatin1() +
                                     "&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&"
                                     "indicator=0,,,;&vol=1&nodata=&skin=";
            const QByteArray expected =
                "<body oncontextmenu=window.event.returnValue=false "
                "onkeypress=window.event.returnValue=false "
                "onkeydown=window.event.returnValue=false onkeyup=window.event.returnValue=false "
                "ondragstart=window.event.returnValue=false onselectstart=event.returnValue=false "
                "topmargin=0 "
                "leftmargin=0 marginwidth=0 marginheight=0>\r\n<img src=" +
                image + ">\r\n";
            QCOMPARE(chartPageBytes(host, ticker), expected);
            QCOMPARE(chartImageAddress(host, ticker).toLatin1(), image);
            const QUrl url = chartImageUrl(host, ticker);
            QCOMPARE(url.authority() + QUrlQuery(url).queryItemValue(u"ticker"_s), host + ticker);
            QCOMPARE(QUrlQuery(url).queryItemValue(u"indicator"_s), u"0,,,;"_s);

            // A longer page from before is replaced whole, with no temporary file left.
            QVERIFY(QDir(m_dir->path()).mkpath(u"tips"_s));
            QVERIFY(writeBytes(m_dir->filePath(u"tips/web.html"_s), QByteArray(5000, 'x')));
            QVERIFY(!writeChartPage(m_dir->path(), host, ticker));
            QCOMPARE(readBytes(m_dir->filePath(u"tips/web.html"_s)), expected);
            QCOMPARE(fileNames(m_dir->filePath(u"tips"_s)), QStringList{u"web.html"_s});
        }
        // A file where the tips folder should be.
        QVERIFY(QDir(m_dir->filePath(u"tips"_s)).removeRecursively());
        QVERIFY(writeBytes(m_dir->filePath(u"tips"_s), "not a folder"));
        const FileStatus error = writeChartPage(m_dir->path(), u"h"_s, u"IBM"_s);
        QVERIFY(error && error->text().contains(u"web.html"_s));
    }
};

QTEST_GUILESS_MAIN(TestQuoteSync)
#include "test_quotesync.moc"
