#pragma once

#include "tips.h"

#include <QFrame>

#include <memory>

class QLabel;
class QPushButton;

// The tips of the day in the main window: the tip, and Previous, Random and Next.
class TipsPanel : public QFrame
{
    Q_OBJECT

public:
    // Tips come from the program folder's "tips" folder, picked with `random` (a clock-seeded
    // one when none is given).
    TipsPanel(const QString &programFolder, std::unique_ptr<TipRandom> random, QWidget *parent);
    ~TipsPanel() override;

    // Start-up: reads the count and shows a random tip.
    void ShowStartupTip();
    void cmdPreviousTip_Click();
    void cmdRandomTip_Click();
    void cmdNextTip_Click();
    const TipsOfTheDay &tips() const { return m_tips; }
    // The buttons, in the order Tab visits them.
    QList<QWidget *> buttons() const;

private:
    void showTip();

    std::unique_ptr<TipRandom> m_random;
    TipsOfTheDay m_tips;
    QLabel *lblTips;
    QPushButton *cmdPreviousTip;
    QPushButton *cmdRandomTip;
    QPushButton *cmdNextTip;
};
