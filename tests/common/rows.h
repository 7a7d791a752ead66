#pragma once

#include <QTest>

// One row of a data table on one line: row("tag", a, b, c). A plain "..." goes into a QString
// column (as UTF-8, QTest's own rule); QByteArray columns need a QByteArray.
template <typename... Values> void row(const char *tag, const Values &...values)
{
    (QTest::newRow(tag) << ... << values);
}
