#pragma once

#include "common/fakes.h"
#include "game/gamesession.h"
#include "sync/marketconnection.h"

#include <memory>

// A game session on a test folder whose quote download runs over a socket and clock the test
// drives, with the point as decimal separator unless told otherwise. Call start() (or hand the
// session to a window, which starts it) before playing.
struct TestSession
{
    explicit TestSession(const QString &folder, const NumberFormat &numbers = NumberFormat{},
                         FileReplacer &replacer = FileReplacer::onDisk())
    {
        auto fakeSocket = std::make_unique<FakeSocket>();
        auto fakeClock = std::make_unique<FakeClock>();
        socket = fakeSocket.get();
        clock = fakeClock.get();
        owned = std::make_unique<GameSession>(folder, std::move(fakeSocket), std::move(fakeClock), numbers,
                                              replacer);
        session = owned.get();
    }

    // For a window that takes the session over; `session` stays usable while the window lives.
    std::unique_ptr<GameSession> release() { return std::move(owned); }

    // Answers the running quote request with one CSV line, as the quote service would.
    void answerQuote(const QByteArray &line)
    {
        socket->accept();
        socket->deliver(okHeader(line.size()) + line);
        settle();
    }
    // Answers the running request for `ticker` with a last trade of `price`.
    void answerPrice(const QString &ticker, const QByteArray &price)
    {
        answerQuote('"' + ticker.toLatin1() + "\"," + price + ",\"12/7/2026\",\"4:00pm\",+0.50," + price +
                    ",N/A,N/A,1200\r\n");
    }
    // Selects `ticker` and answers its quote with a last trade of `price`.
    void quote(const QString &ticker, const QByteArray &price)
    {
        session->selectStock(ticker);
        answerPrice(ticker, price);
    }

    FakeSocket *socket = nullptr;
    FakeClock *clock = nullptr;
    GameSession *session = nullptr;

private:
    std::unique_ptr<GameSession> owned;
};
