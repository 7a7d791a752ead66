#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The player's manual in a window of the game's own, for a desktop that cannot open it.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(const QUrl &manual, QWidget *parent = nullptr);

private:
    QTextBrowser *m_browser;
};

// "&Content": hands the manual to the desktop; when the desktop refuses, shows it in a
// HelpViewer kept in `viewer`. A missing manual does nothing, as a missing help file always has.
void openManual(const QString &programFolder, QWidget *parent, QPointer<HelpViewer> &viewer);
