#include "chartrenderer.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(255, 255, 255);
const QColor kFrame(176, 184, 196);
const QColor kGrid(226, 230, 236);
const QColor kText(40, 44, 52);
const QColor kMutedText(110, 118, 130);
const QColor kLine(20, 80, 170);
const QColor kVolume(170, 180, 194);
const char *const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The bundled DejaVu Sans (fonts-dejavu-core), registered on first use from whichever thread
// draws first; fontconfig normally finds it anyway. Read-only after that.
const QString &fontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"));
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.front();
    }();
    return family;
}

QFont chartFont(int pixelSize, bool bold = false)
{
    QFont font(fontFamily());
    font.setPixelSize(std::max(8, pixelSize));
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// A step of 1, 2, 2.5 or 5 times a power of ten giving about `wanted` intervals.
double niceStep(double range, int wanted)
{
    const double raw = range / std::max(1, wanted);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (factor * magnitude >= raw)
            return factor * magnitude;
    }
    return 10.0 * magnitude;
}

QString priceLabel(double dollars, double step)
{
    return QString::number(dollars, 'f', step < 1.0 ? 2 : 0);
}

QString volumeLabel(double shares)
{
    if (shares >= 1e9)
        return QString::number(shares / 1e9, 'f', 1) + QLatin1Char('B');
    if (shares >= 1e6)
        return QString::number(shares / 1e6, 'f', 1) + QLatin1Char('M');
    if (shares >= 1e3)
        return QString::number(shares / 1e3, 'f', 0) + QLatin1Char('K');
    return QString::number(shares, 'f', 0);
}

QString dateLabel(QDate date)
{
    return QStringLiteral("%1 %2, %3")
        .arg(QLatin1String(kShortMonths[date.month() - 1]))
        .arg(date.day())
        .arg(date.year());
}

} // namespace

QImage ChartRenderer::render(const Chart &chart, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    const int textSize = std::clamp(height / 20, 9, 16);
    const QFont labelFont = chartFont(textSize - 1);
    const QFont titleFont = chartFont(textSize + 1, true);
    const QFontMetrics labels(labelFont);
    const QFontMetrics titles(titleFont);
    const int pad = std::max(4, textSize / 2);

    // Title: ticker in bold, the company name after it, the period on the right when it fits.
    const int titleBaseline = pad + titles.ascent();
    p.setPen(kText);
    p.setFont(titleFont);
    p.drawText(pad, titleBaseline, chart.ticker);
    int x = pad + titles.horizontalAdvance(chart.ticker) + textSize / 2;
    p.setFont(labelFont);
    QString period;
    if (!chart.closes.empty())
        period = dateLabel(chart.closes.front().date) + QStringLiteral(" - ") +
                 dateLabel(chart.closes.back().date);
    const int periodWidth = labels.horizontalAdvance(period);
    const bool periodFits = x + labels.horizontalAdvance(chart.companyName) + 2 * pad + periodWidth < width;
    p.drawText(
        QRect(x, pad, std::max(0, width - x - pad - (periodFits ? periodWidth + pad : 0)), titles.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        labels.elidedText(chart.companyName, Qt::ElideRight,
                          std::max(0, width - x - pad - (periodFits ? periodWidth + pad : 0))));
    if (periodFits) {
        p.setPen(kMutedText);
        p.drawText(QRect(width - pad - periodWidth, pad, periodWidth, titles.height()),
                   Qt::AlignRight | Qt::AlignVCenter, period);
    }

    if (chart.closes.size() < 2) {
        p.setPen(kMutedText);
        p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("No data"));
        return image;
    }

    // Price range with a little air, on round steps.
    Cents lowest = chart.closes.front().close;
    Cents highest = lowest;
    qint64 busiest = 1;
    for (const DailyClose &c : chart.closes) {
        lowest = std::min(lowest, c.close);
        highest = std::max(highest, c.close);
        busiest = std::max(busiest, c.volume);
    }
    const double span = std::max(0.05, double(highest - lowest) / 100.0);
    const int plotTop = pad + titles.height() + pad;
    const int axisHeight = labels.height() + pad / 2;
    const int plotBottom = height - axisHeight - pad / 2;
    const int wantedSteps = std::clamp((plotBottom - plotTop) / (3 * labels.height()), 2, 8);
    const double step = niceStep(span * 1.1, wantedSteps);
    const double low = std::floor((double(lowest) / 100.0 - span * 0.05) / step) * step;
    const double high = std::ceil((double(highest) / 100.0 + span * 0.05) / step) * step;

    int axisWidth = chart.volume ? labels.horizontalAdvance(volumeLabel(double(busiest))) : 0;
    for (double v = low; v <= high + step / 2; v += step)
        axisWidth = std::max(axisWidth, labels.horizontalAdvance(priceLabel(v, step)));
    const QRect plot(pad, plotTop, std::max(10, width - 2 * pad - axisWidth - pad),
                     std::max(10, plotBottom - plotTop));

    const int volumeHeight = chart.volume ? plot.height() / 4 : 0;
    const QRect priceArea(plot.left(), plot.top(), plot.width(), plot.height() - volumeHeight);
    const QRect volumeArea(plot.left(), priceArea.bottom() + 1, plot.width(), volumeHeight);

    const int n = int(chart.closes.size());
    auto xOf = [&](int i) { return plot.left() + (double(i) + 0.5) * plot.width() / n; };
    auto yOf = [&](double dollars) {
        return priceArea.bottom() - (dollars - low) / (high - low) * (priceArea.height() - 1);
    };

    // Grid and price axis.
    p.setFont(labelFont);
    for (double v = low; v <= high + step / 2; v += step) {
        const double y = yOf(v);
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(kMutedText);
        p.drawText(QRectF(plot.right() + pad, y - labels.height() / 2.0, axisWidth, labels.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, priceLabel(v, step));
    }

    // Month marks along the bottom; January carries the year.
    int lastLabelEnd = -1;
    for (int i = 1; i < n; ++i) {
        const QDate date = chart.closes[std::size_t(i)].date;
        if (date.month() == chart.closes[std::size_t(i - 1)].date.month())
            continue;
        const double xm = xOf(i);
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(xm, plot.top()), QPointF(xm, plot.bottom()));
        const QString text = date.month() == 1 ? QString::number(date.year())
                                               : QString::fromLatin1(kShortMonths[date.month() - 1]);
        const int w = labels.horizontalAdvance(text);
        const int left = int(xm) - w / 2;
        if (left > lastLabelEnd + pad / 2 && left + w <= width - pad) {
            p.setPen(kMutedText);
            p.drawText(left, plot.bottom() + pad / 2 + labels.ascent(), text);
            lastLabelEnd = left + w;
        }
    }

    if (chart.volume && volumeHeight > 4) {
        const double barWidth = std::max(1.0, double(plot.width()) / n * 0.7);
        for (int i = 0; i < n; ++i) {
            const double h =
                double(chart.closes[std::size_t(i)].volume) / double(busiest) * (volumeHeight - 2);
            p.fillRect(QRectF(xOf(i) - barWidth / 2, volumeArea.bottom() - h, barWidth, h), kVolume);
        }
        // The busiest day's volume, clear of the lowest price label above it.
        if (volumeHeight >= 2 * labels.height()) {
            p.setPen(kMutedText);
            p.drawText(QRectF(plot.right() + pad, volumeArea.top() + labels.height() / 2.0, axisWidth,
                              labels.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, volumeLabel(double(busiest)));
        }
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(plot.left(), volumeArea.top()), QPointF(plot.right(), volumeArea.top()));
    }

    // The closes, with a soft fill beneath.
    QPainterPath line;
    for (int i = 0; i < n; ++i) {
        const QPointF point(xOf(i), yOf(double(chart.closes[std::size_t(i)].close) / 100.0));
        if (i == 0)
            line.moveTo(point);
        else
            line.lineTo(point);
    }
    QPainterPath area = line;
    area.lineTo(xOf(n - 1), priceArea.bottom());
    area.lineTo(xOf(0), priceArea.bottom());
    area.closeSubpath();
    QLinearGradient fill(0, priceArea.top(), 0, priceArea.bottom());
    fill.setColorAt(0, QColor(20, 80, 170, 70));
    fill.setColorAt(1, QColor(20, 80, 170, 8));
    p.fillPath(area, fill);
    p.setPen(QPen(kLine, std::max(1.0, height / 200.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kFrame, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    return image;
}

QImage ChartRenderer::renderNoData(const QString &ticker, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(QPen(kFrame, 1));
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    const int textSize = std::clamp(height / 12, 9, 22);
    p.setFont(chartFont(textSize, true));
    p.setPen(kMutedText);
    const QString text =
        ticker.isEmpty() ? QStringLiteral("No data") : QStringLiteral("No data for ") + ticker;
    p.drawText(image.rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    return image;
}

QByteArray ChartRenderer::toPng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
