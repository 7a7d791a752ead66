#pragma once

#include "markettypes.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

// Draws the one-year chart images. Needs a QGuiApplication (fonts); the offscreen platform
// is enough. Reentrant: several threads may draw at once (Qt keeps font engines per thread,
// which is why the chart cache draws on a few threads of its own).
class ChartRenderer
{
public:
    static constexpr int kDefaultWidth = 415;
    static constexpr int kDefaultHeight = 240;
    static constexpr int kMinWidth = 120;
    static constexpr int kMaxWidth = 1600;
    static constexpr int kMinHeight = 80;
    static constexpr int kMaxHeight = 1200;

    struct Chart
    {
        QString ticker;
        QString companyName;
        std::vector<DailyClose> closes; // oldest first
        bool volume = true;
    };

    static QImage render(const Chart &chart, int width, int height);
    // Stands in for the chart of a ticker the market does not list.
    static QImage renderNoData(const QString &ticker, int width, int height);
    static QByteArray toPng(const QImage &image);
};
