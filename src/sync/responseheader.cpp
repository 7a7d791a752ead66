#include "responseheader.h"

#include <QByteArrayView>

namespace {

bool parseStatusLine(QByteArrayView line, int &status)
{
    // "HTTP/1.1 200 OK": a version, one space, three digits, then a space or the line end.
    if (!line.startsWith("HTTP/"))
        return false;
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.size() < space + 4)
        return false;
    int code = 0;
    for (qsizetype i = space + 1; i < space + 4; ++i) {
        const char c = line.at(i);
        if (c < '0' || c > '9')
            return false;
        code = code * 10 + (c - '0');
    }
    if (line.size() > space + 4 && line.at(space + 4) != ' ')
        return false;
    status = code;
    return true;
}

// A byte count: digits only, below 2^31.
bool parseLength(QByteArrayView text, qint64 &length)
{
    if (text.isEmpty())
        return false;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > 0x7fffffffLL)
            return false;
    }
    length = value;
    return true;
}

} // namespace

qsizetype findHeaderEnd(const QByteArray &data, qsizetype from)
{
    return data.indexOf("\r\n\r\n", qMax<qsizetype>(0, from));
}

ResponseHeader parseResponseHeader(const QByteArray &header)
{
    ResponseHeader result;
    const QByteArrayView all(header);
    qsizetype lineEnd = all.indexOf("\r\n");
    const QByteArrayView statusLine = lineEnd < 0 ? all : all.first(lineEnd);
    if (!parseStatusLine(statusLine, result.statusCode)) {
        result.problem = ResponseHeader::Problem::NotHttp;
        return result;
    }

    bool haveType = false;
    bool haveLength = false;
    bool lengthsDiffer = false;
    bool haveTransferCoding = false;
    QByteArrayView lengthText;
    qsizetype pos = lineEnd < 0 ? all.size() : lineEnd + 2;
    while (pos < all.size()) {
        lineEnd = all.indexOf("\r\n", pos);
        const qsizetype end = lineEnd < 0 ? all.size() : lineEnd;
        const QByteArrayView line = all.sliced(pos, end - pos);
        pos = lineEnd < 0 ? all.size() : lineEnd + 2;

        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArrayView name = line.first(colon).trimmed();
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        if (!haveType && name.compare("Content-Type", Qt::CaseInsensitive) == 0) {
            haveType = true;
            result.contentType = value.toByteArray();
        } else if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            // Equal copies say the same; different ones leave the body's end unknown.
            if (haveLength && value != lengthText)
                lengthsDiffer = true;
            haveLength = true;
            lengthText = value;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            haveTransferCoding = true;
        }
    }

    // The media type alone, without parameters such as "; charset=utf-8".
    const QByteArrayView mediaType =
        QByteArrayView(result.contentType)
            .first(result.contentType.contains(';') ? result.contentType.indexOf(';')
                                                    : result.contentType.size());
    if (haveTransferCoding)
        result.problem = ResponseHeader::Problem::TransferCoding;
    else if (!haveType)
        result.problem = ResponseHeader::Problem::NoContentType;
    else if (mediaType.trimmed().compare("text/html", Qt::CaseInsensitive) == 0)
        result.problem = ResponseHeader::Problem::HtmlPage;
    else if (lengthsDiffer)
        result.problem = ResponseHeader::Problem::ConflictingContentLength;
    else if (!haveLength)
        result.problem = ResponseHeader::Problem::NoContentLength;
    else if (!parseLength(lengthText, result.contentLength))
        result.problem = ResponseHeader::Problem::BadContentLength;
    return result;
}
