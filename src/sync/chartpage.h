#pragma once

#include "model/fileerror.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

// The chart page shown for a stock: two CR LF lines naming the chart image, whose service
// runs on `chartHost` ("host" or "host:port").
QByteArray chartPageBytes(const QString &chartHost, const QString &ticker);
// The chart image the page names, for a view that shows it directly.
QString chartImageAddress(const QString &chartHost, const QString &ticker);
QUrl chartImageUrl(const QString &chartHost, const QString &ticker);
QString chartPagePath(const QString &programFolder);
// Replaces the chart page with the one for `ticker`, creating its folder when needed.
FileStatus writeChartPage(const QString &programFolder, const QString &chartHost, const QString &ticker);
