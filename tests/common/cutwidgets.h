#pragma once

// Which labels, buttons and check boxes of a laid-out window need more room than they have:
// text wider than a one-line label, taller than a wrapping one, or a button's own size hint
// caption wider than the room its style leaves. Their object names (or texts), for a test to compare with
// nothing.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

// Whether a button's caption, access key marker left out, fits the room its style leaves for it
// (beside the icon or the check mark).
inline bool captionFits(const QAbstractButton &button)
{
    QString caption = button.text();
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = caption;
    const QStyle::SubElement room = qobject_cast<const QCheckBox *>(&button) ? QStyle::SE_CheckBoxContents
                                    : qobject_cast<const QRadioButton *>(&button)
                                        ? QStyle::SE_RadioButtonContents
                                        : QStyle::SE_PushButtonContents;
    int width = button.style()->subElementRect(room, &option, &button).width();
    if (!button.icon().isNull())
        width -= button.iconSize().width() + 4;
    return button.fontMetrics().horizontalAdvance(caption) <= width;
}

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
        if (button->isVisible() && !captionFits(*button))
            cut << (button->objectName().isEmpty() ? button->text() : button->objectName());
    return cut;
}
