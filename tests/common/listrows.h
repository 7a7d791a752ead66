#pragma once

#include <QListWidget>
#include <QTest>

// The texts of a list's rows, top to bottom.
inline QStringList rowTexts(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows.append(list->item(i)->text());
    return rows;
}

// The stock list lays its rows out a batch at a time from the event loop, and until the last batch
// a press may find no row under it. A test clicks where and when a player could: once the row is in
// view and a press at its centre lands on it.
inline QPoint rowCentre(QListWidget *list, QListWidgetItem *item)
{
    const auto landsOnRow = [list, item] {
        if (!list->visualItemRect(item).isValid())
            return false;
        list->scrollToItem(item);
        return list->itemAt(list->visualItemRect(item).center()) == item;
    };
    if (!QTest::qWaitFor(landsOnRow, 5000)) {
        qWarning("row %s was never laid out", qPrintable(item->text()));
        return {-1, -1}; // a click there misses, and the test fails on what it expected
    }
    return list->visualItemRect(item).center();
}
