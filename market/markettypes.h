#pragma once

#include "model/stockcatalogue.h"

#include <QDate>
#include <QTime>

#include <cstdint>
#include <string>

// Prices are whole cents throughout the service, so every answer rounds the same way.
using Cents = qint64;

struct StockProfile
{
    std::string ticker;
    std::string name; // UTF-8
    Sector sector = Sector::CapitalGoods;
    std::uint64_t key = 0; // seeds the stock's own draws
    double basePrice = 0;  // dollars; the level prices revert to
    double dailyVolatility = 0;
    double beta = 0;          // loading on the market factor
    double sectorLoading = 0; // loading on its sector's factor
    double ownVolatility = 0; // daily sigma of the stock's own noise
    double baseVolume = 0;    // shares on an ordinary day
};

// One completed session.
struct DailyBar
{
    QDate date;
    Cents open = 0;
    Cents high = 0;
    Cents low = 0;
    Cents close = 0;
    qint64 volume = 0;
};

// What a chart needs of a past session.
struct DailyClose
{
    QDate date;
    Cents close = 0;
    qint64 volume = 0;
};

// A stock as it stands at one moment of a session.
struct MarketQuote
{
    QDate date;
    QTime time; // of the last trade, on the tick
    Cents last = 0;
    Cents previousClose = 0;
    Cents open = 0;
    Cents high = 0;
    Cents low = 0;
    qint64 volume = 0;

    Cents change() const { return last - previousClose; }
};
