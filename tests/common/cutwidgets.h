#pragma once

// Which labels, buttons and check boxes of a laid-out window need more room than they have:
// text wider than a one-line label, taller than a wrapping one, or a button's own size hint
// beyond its width. Their object names (or texts), for a test to compare with nothing.
#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

inline QStringList cutWidgets(const QWidget &window)
{
    QStringList cut;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            continue;
        const QRect room = label->contentsRect();
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(room.width()) <= room.height()
                              : label->fontMetrics().horizontalAdvance(label->text()) <= room.width();
        if (!fits)
            cut << (label->objectName().isEmpty() ? label->text() : label->objectName());
    }
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        if (button->isVisible() && button->sizeHint().width() > button->width())
            cut << (button->objectName().isEmpty() ? button->text() : button->objectName());
    return cut;
}
