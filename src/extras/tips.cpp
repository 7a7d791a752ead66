#include "tips.h"

#include "model/regularfile.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
quint32 clockSeed()
{
    return quint32(QDateTime::currentMSecsSinceEpoch());
}

// Tips are short files; anything longer than this is not one and is not read further.
constexpr qint64 kMaxTipFileBytes = 64 * 1024;
// A fair generator repeats the same tip this often in a row with odds of at most 2^-1000.
constexpr int kMaxDraws = 1000;

// A FIFO or device in the tips folder must not hold up the window: it counts as unreadable.
std::optional<QByteArray> readTipFile(const QString &path)
{
    QByteArray bytes;
    if (readRegularFile(path, kMaxTipFileBytes, bytes))
        return std::nullopt;
    return bytes;
}
} // namespace

ClockSeededRandom::ClockSeededRandom() : m_generator(clockSeed())
{}

void ClockSeededRandom::reseed()
{
    m_generator.seed(clockSeed());
}

float ClockSeededRandom::next()
{
    // 24 random bits are exactly what a float holds below 1, so 1.0f can never come out.
    return float(m_generator.generate() >> 8) / float(1 << 24);
}

std::optional<qint16> tipCountFromText(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    const qsizetype digitsFrom = i;
    int value = 0;
    while (i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9') {
        value = value * 10 + (bytes[i] - '0');
        if (value > std::numeric_limits<qint16>::max())
            return std::nullopt;
        ++i;
    }
    if (i == digitsFrom)
        return std::nullopt;
    return qint16(value);
}

QString tipTextFromBytes(const QByteArray &bytes)
{
    qsizetype end = 0;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    return QString::fromUtf8(bytes.first(end));
}

TipsOfTheDay::TipsOfTheDay(const QString &programFolder, TipRandom &random)
    : m_folder(programFolder + QStringLiteral("/tips/")), m_random(random)
{}

int TipsOfTheDay::randomTipNumber()
{
    const float product = m_random.next() * float(m_count);
    // A generator that breaks its promise of values below 1 still lands on a real tip.
    return std::min(int(std::floor(product)), m_count - 1) + 1;
}

void TipsOfTheDay::ShowStartupTip()
{
    const std::optional<QByteArray> countFile = readTipFile(m_folder + QStringLiteral("0.txt"));
    m_count = countFile ? tipCountFromText(*countFile).value_or(0) : 0;
    if (m_count < 1)
        return;
    m_current = qint16(randomTipNumber());
    ShowTip();
}

void TipsOfTheDay::cmdNextTip_Click()
{
    if (m_count < 1)
        return;
    m_current = m_current + 1 > m_count ? 1 : qint16(m_current + 1);
    ShowTip();
}

void TipsOfTheDay::cmdPreviousTip_Click()
{
    if (m_count < 1)
        return;
    m_current = m_current - 1 < 1 ? m_count : qint16(m_current - 1);
    ShowTip();
}

void TipsOfTheDay::cmdRandomTip_Click()
{
    if (m_count < 1)
        return;
    m_random.reseed();
    const int shown = m_current;
    // With one tip there is no other to find; a generator stuck on one value must not hang
    // the window either, so after many draws the next tip in the ring is taken.
    int drawn = randomTipNumber();
    for (int draws = 1; m_count > 1 && drawn == shown; ++draws)
        drawn = draws < kMaxDraws ? randomTipNumber() : shown % m_count + 1;
    m_current = qint16(drawn);
    ShowTip();
}

void TipsOfTheDay::ShowTip()
{
    const std::optional<QByteArray> file =
        readTipFile(m_folder + QString::number(m_current) + QStringLiteral(".txt"));
    const QString text = file ? tipTextFromBytes(*file) : QString();
    m_caption =
        QStringLiteral("Tip of the Day - #") + QString::number(m_current) + QStringLiteral("\r\n\r\n") + text;
}
