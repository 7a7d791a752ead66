#include "httpdownload.h"

#include "progressformat.h"
#include "quotereader.h"
#include "responseheader.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {
constexpr qint64 kMaxFileSize = 0x7fffffffLL; // sizes and positions are 32-bit counts
} // namespace

HttpDownload::HttpDownload(DownloadSocket &socket, const Clock &clock, const ProxySetting &proxy,
                           const NumberFormat &numbers, const QString &programFolder, QObject *parent)
    : QObject(parent), m_socket(socket), m_clock(clock), m_proxy(proxy), m_numbers(numbers),
      m_programFolder(programFolder), m_filePath(quoteFilePath(programFolder))
{
    connect(&m_socket, &DownloadSocket::connected, this, &HttpDownload::onConnected);
    connect(&m_socket, &DownloadSocket::dataArrived, this, &HttpDownload::onDataArrived);
    connect(&m_socket, &DownloadSocket::errorOccurred, this, &HttpDownload::onSocketGone);
    connect(&m_socket, &DownloadSocket::peerClosed, this, &HttpDownload::onSocketGone);
}

bool HttpDownload::CmdTelecharger_Click()
{
    if (isBusy())
        abandon();

    m_panel.lblTaille.clear();
    m_panel.lblRecu.clear();
    m_resumeOffset = 0;
    m_complete = false;

    if (m_panel.TextUrl.trimmed().isEmpty()) {
        emit messageRequested(QStringLiteral("Bon faut pas exagérer entrer un adresse SVP!!!"));
        return false;
    }
    QString url = m_panel.TextUrl;
    const QString host = Extract_URL(url);
    if (host.isEmpty() && m_path.isEmpty()) {
        emit messageRequested(QStringLiteral("Bon la ya un Problème de chemin"));
        return false;
    }
    m_host = host;

    m_filePath = quoteFilePath(m_programFolder);
    const QFileInfo file(m_filePath);
    if (file.exists() && file.size() > 0)
        QFile::remove(m_filePath);

    // The proxy as it is at this click: the options may change it between two downloads.
    m_useProxy = m_proxy.enabled;
    m_proxyHost = m_proxy.host;
    m_proxyPort = m_proxy.port;

    Ouvre_Connect();
    m_panel.Picture1 = ProgressPicture();
    return true;
}

QString HttpDownload::Extract_URL(QString &url)
{
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        url = url.mid(scheme + 3);

    QString host;
    const qsizetype slash = url.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        host = url.left(slash);
        m_path = url.mid(slash);
    } else if (url.isEmpty()) {
        m_path.clear();
    } else {
        host = url;
        m_path = QStringLiteral("/");
    }
    return host;
}

void HttpDownload::Ouvre_Connect()
{
    closeSocket();
    ++m_generation;
    m_endPending = false;
    m_headerBuffer.clear();
    m_interimAnswers = 0;
    // A fresh connection starts with no header and a full idle allowance; a time-out of the
    // previous attempt must not strike the next one at its first tick.
    m_headerReceived = false;
    m_idleTicks = 0;
    m_bytesThisSecond = 0;
    m_stage = Stage::Connecting;

    HostPort target;
    if (m_useProxy)
        target = HostPort{m_proxyHost, quint16(m_proxyPort), !m_proxyHost.isEmpty() && m_proxyPort != 0};
    else
        target = splitHostPort(m_host, kHttpPort);

    m_panel.CmdTelecharger.enabled = false;
    m_panel.CmdStop.enabled = true;
    setTimers(true);
    m_elapsedSeconds = 0;
    m_elapsedMinutes = 0;
    m_elapsedHours = 0;

    if (target.valid)
        m_socket.connectToHost(target.name, target.port);
    else
        scheduleEnd(false);
}

QByteArray HttpDownload::buildRequest() const
{
    QByteArray request;
    if (m_useProxy)
        request += "GET http://" + m_host.toLatin1() + m_path.toLatin1() + " HTTP/1.1\r\n";
    else
        request += "GET " + m_path.toLatin1() + " HTTP/1.1\r\n";
    request += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    request += "Accept-Language: fr\r\n";
    request += "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n";
    request += "Range: bytes=" + QByteArray::number(m_resume ? m_resumeOffset : 0) + "-\r\n";
    request += "Host: " + m_host.toLatin1() + "\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "\r\n";
    return request;
}

void HttpDownload::onConnected()
{
    if (m_stage != Stage::Connecting || m_endPending)
        return;
    m_headerReceived = false;
    const QByteArray request = buildRequest();
    m_panel.TextCmd = QString::fromLatin1(request);
    m_stage = Stage::WaitingHeader;
    m_socket.send(request);
}

void HttpDownload::onDataArrived(const QByteArray &data)
{
    if ((m_stage != Stage::WaitingHeader && m_stage != Stage::Receiving) || m_endPending)
        return;
    m_idleTicks = 0;

    if (!m_headerReceived) {
        // Only the new bytes and the three before them can complete the blank line.
        const qsizetype searchFrom = m_headerBuffer.size() - 3;
        m_headerBuffer += data;
        QByteArray body;
        if (!acceptHeader(searchFrom, body))
            return;
        if (body.isEmpty()) {
            if (bytesStored() >= m_totalSize)
                scheduleEnd(true);
            return;
        }
        storeBody(body);
        return;
    }
    storeBody(data);
}

// Collects the header until its blank line; false while it is incomplete or once it failed.
bool HttpDownload::acceptHeader(qsizetype searchFrom, QByteArray &body)
{
    ResponseHeader parsed;
    for (;;) {
        const qsizetype end = findHeaderEnd(m_headerBuffer, searchFrom);
        if (end < 0) {
            if (m_headerBuffer.size() > kMaxHeaderBytes + 3) {
                m_headerBuffer.clear();
                scheduleEnd(false);
            }
            return false;
        }
        if (end > kMaxHeaderBytes) {
            m_headerBuffer.clear();
            scheduleEnd(false);
            return false;
        }
        const QByteArray header = m_headerBuffer.left(end);
        m_headerBuffer.remove(0, end + 4);
        m_panel.txtTete = QString::fromLatin1(header);
        parsed = parseResponseHeader(header);
        if (parsed.problem == ResponseHeader::Problem::NotHttp || !parsed.isInterim())
            break;
        // An interim answer has no body: the real one follows. A server that sends nothing
        // else would keep the attempt alive for ever, so their number is bounded.
        if (++m_interimAnswers > kMaxInterimAnswers) {
            m_headerBuffer.clear();
            scheduleEnd(false);
            return false;
        }
        searchFrom = 0;
    }
    body = m_headerBuffer;
    m_headerBuffer.clear();

    m_totalSize = 0;
    // An error page is no quote: nothing is stored and the attempt counts as failed.
    if (parsed.problem != ResponseHeader::Problem::None || !parsed.isSuccess()) {
        scheduleEnd(false);
        return false;
    }

    // A server that ignores the range sends the whole file again: start it over.
    const bool continues = m_resume && parsed.statusCode == 206;
    if (m_resume && !continues)
        m_resumeOffset = 0;
    const qint64 offset = continues ? m_resumeOffset : 0;
    if (offset + parsed.contentLength > kMaxFileSize) {
        scheduleEnd(false);
        return false;
    }
    m_writePosition = offset + 1;
    m_totalSize = offset + parsed.contentLength;
    if (!continues && !writeAt(0, QByteArray(), true)) {
        scheduleEnd(false);
        return false;
    }
    m_panel.lblTaille = Format_Size(m_totalSize, m_numbers);

    m_headerReceived = true;
    m_startTime = std::round(m_clock.secondsSinceMidnight());
    m_bytesThisSecond = 0;
    m_panel.CmdPause.enabled = true;
    m_stage = Stage::Receiving;
    return true;
}

void HttpDownload::storeBody(const QByteArray &data)
{
    m_panel.TextData = QString::fromLatin1(data);
    m_bytesThisSecond += data.size();

    const qint64 room = m_totalSize - bytesStored();
    const QByteArray piece = room < data.size() ? data.left(room) : data;
    if (!piece.isEmpty()) {
        if (!writeAt(m_writePosition - 1, piece, false)) {
            scheduleEnd(false);
            return;
        }
        m_writePosition += piece.size();
    }
    if (bytesStored() >= m_totalSize)
        scheduleEnd(true);
}

bool HttpDownload::writeAt(qint64 position, const QByteArray &bytes, bool truncate)
{
    QFile file(m_filePath);
    // Each piece is written whole and the file closed at once: no buffer is wanted.
    QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Unbuffered;
    if (truncate)
        mode |= QIODevice::Truncate;
    if (!file.open(mode) || !file.seek(position))
        return false;
    return bytes.isEmpty() || file.write(bytes) == bytes.size();
}

void HttpDownload::onSocketGone()
{
    if ((m_stage == Stage::Connecting || m_stage == Stage::WaitingHeader || m_stage == Stage::Receiving) &&
        !m_endPending)
        scheduleEnd(false);
}

void HttpDownload::CmdPause_Click()
{
    if (!m_panel.CmdPause.enabled || m_stage == Stage::Idle || m_endPending)
        return;
    if (m_stage != Stage::Paused) {
        closeSocket();
        ++m_generation;
        m_stage = Stage::Paused;
        setTimers(false);
        m_panel.CmdPause.caption = QStringLiteral("Résume");
        return;
    }
    m_panel.CmdPause.caption = QStringLiteral("Pause");
    m_resume = true;
    const QFileInfo file(m_filePath);
    m_resumeOffset = file.exists() ? qMin(file.size(), kMaxFileSize) : 0;
    Ouvre_Connect();
}

void HttpDownload::CmdStop_Click()
{
    if (!m_panel.CmdStop.enabled || m_stage == Stage::Idle)
        return;
    resetPause();
    finish(false);
}

void HttpDownload::Timer_Seconde_Timer()
{
    if (!m_panel.timersEnabled)
        return;
    if (m_headerReceived) {
        const double clock = m_clock.secondsSinceMidnight();
        if (clock < m_startTime)
            m_startTime -= 86400; // midnight passed since the header arrived
        const qint64 speedHundredths = currentSpeedHundredths(m_bytesThisSecond);
        const qint64 average = averageSpeed(bytesStored() - m_resumeOffset, clock - m_startTime);

        if (m_writePosition >= 1 && m_totalSize >= 1) {
            if (bytesStored() >= m_totalSize) {
                m_panel.lblRecu = Format_Size(bytesStored(), m_numbers);
                resetPause();
                finish(true);
                return;
            }
            advanceElapsedClock();
            if (average != 0)
                m_panel.lblTRestant = Format_Time(remainingSeconds(m_totalSize - bytesStored(), average));
            if (speedHundredths != 0)
                m_panel.lblVitesse = Format_Size(speedHundredths * 10, m_numbers);
        }
    }
    ++m_idleTicks;
    if (m_idleTicks > kIdleLimit)
        finish(false);
    m_bytesThisSecond = 0;
}

void HttpDownload::advanceElapsedClock()
{
    if (++m_elapsedSeconds == 60) {
        m_elapsedSeconds = 0;
        if (++m_elapsedMinutes == 60) {
            m_elapsedMinutes = 0;
            ++m_elapsedHours;
        }
    }
    const auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    m_panel.lblTpasse = two(m_elapsedHours) + QLatin1Char(':') + two(m_elapsedMinutes) + QLatin1Char(':') +
                        two(m_elapsedSeconds);
}

void HttpDownload::Timer_Percent_Timer()
{
    if (!m_panel.timersEnabled || !m_headerReceived || m_writePosition < 1 || m_totalSize < 1)
        return;
    m_panel.lblRecu = Format_Size(bytesStored(), m_numbers);
    const int percent = progressPercent(bytesStored(), m_totalSize);
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        Draw_Progress(m_panel.Picture1, percent);
    }
}

void HttpDownload::closeSocket()
{
    if (!m_socket.isClosed()) {
        m_socket.close();
        m_socket.resetLocalPort();
    }
}

void HttpDownload::closeAndReset()
{
    closeSocket();
    ++m_generation;
    m_endPending = false;
    m_stage = Stage::Idle;
    setTimers(false);
    m_panel.CmdTelecharger.enabled = true;
    m_panel.CmdStop.enabled = false;
    m_resume = false;
}

void HttpDownload::abandon()
{
    closeAndReset();
    resetPause();
}

void HttpDownload::setTimers(bool enabled)
{
    if (m_panel.timersEnabled == enabled)
        return;
    m_panel.timersEnabled = enabled;
    emit timersEnabledChanged(enabled);
}

void HttpDownload::resetPause()
{
    m_panel.CmdPause.enabled = false;
    m_panel.CmdPause.caption = QStringLiteral("Pause");
}

void HttpDownload::scheduleEnd(bool complete)
{
    if (m_endPending)
        return;
    m_endPending = true;
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, complete] {
            if (generation == m_generation && m_endPending)
                finish(complete);
        },
        Qt::QueuedConnection);
}

void HttpDownload::finish(bool complete)
{
    m_complete = complete || (m_headerReceived && bytesStored() >= m_totalSize);
    if (complete) {
        m_panel.lblRecu = Format_Size(bytesStored(), m_numbers);
        resetPause();
    }
    closeAndReset();
    emit transferEnded();
}
