#pragma once

#include <QRandomGenerator>
#include <QString>

#include <optional>

// Single-precision values uniformly in [0, 1), for picking tips.
class TipRandom
{
public:
    virtual ~TipRandom() = default;
    // Seeds the generator from the clock again.
    virtual void reseed() = 0;
    virtual float next() = 0;
};

// The game's own source: seeded from the clock when made and at every reseed.
class ClockSeededRandom final : public TipRandom
{
public:
    ClockSeededRandom();
    void reseed() override;
    float next() override;

private:
    QRandomGenerator m_generator;
};

// The tips panel: a ring of numbered tips read from the program folder's "tips" folder
// ("0.txt" holds the count on its first line, "N.txt" the tip N on its first line).
// Files that are missing or unreadable never stop the game: the panel shows what it can.
class TipsOfTheDay
{
public:
    TipsOfTheDay(const QString &programFolder, TipRandom &random);

    // Reads the count once and picks a random tip.
    void ShowStartupTip();
    void cmdNextTip_Click();
    void cmdPreviousTip_Click();
    // A random tip other than the current one (with a single tip, that tip again).
    void cmdRandomTip_Click();

    int count() const { return m_count; }
    int current() const { return m_current; }
    // "Tip of the Day - #7", an empty line, then the tip; empty when there is no tip.
    const QString &caption() const { return m_caption; }

private:
    int randomTipNumber();
    void ShowTip();

    QString m_folder;
    TipRandom &m_random;
    qint16 m_count = 0;
    qint16 m_current = 0;
    QString m_caption;
};

// The whole number at the start of the first line of `bytes` (blanks before it allowed);
// nothing when there is none or it does not fit a 16-bit count.
std::optional<qint16> tipCountFromText(const QByteArray &bytes);
// The text of a tip file: its first line, up to the first CR or LF.
QString tipTextFromBytes(const QByteArray &bytes);
