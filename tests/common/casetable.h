#pragma once

#include <QTest>

#include <initializer_list>

// A data table of aggregates: one column "c", one row per case, named by the case's `tag`.
// The test function takes its row with QFETCH(Case, c).
template <typename Case> void caseRows(std::initializer_list<Case> cases)
{
    QTest::addColumn<Case>("c");
    for (const Case &c : cases)
        QTest::newRow(c.tag) << c;
}
