#pragma once

#include <QByteArray>
#include <QtGlobal>

// What the client needs from an answer's header.
struct ResponseHeader
{
    enum class Problem {
        None,
        NotHttp, // no "HTTP/x.y nnn" status line
        NoContentType,
        NoContentLength,
        BadContentLength,         // not a count of bytes below 2^31
        ConflictingContentLength, // two Content-Length fields that disagree
        TransferCoding,           // a Transfer-Encoding: the body is framed, not plain bytes
        HtmlPage,                 // text/html is an error page, never a quote
    };

    Problem problem = Problem::None;
    int statusCode = 0;
    QByteArray contentType; // trimmed, as sent
    qint64 contentLength = 0;

    bool isSuccess() const { return statusCode >= 200 && statusCode <= 299; }
    // "100 Continue" and its kind: another header follows on the same connection. 101 switches
    // to another protocol, which a quote download never asked for, so it is no interim answer.
    bool isInterim() const { return statusCode >= 100 && statusCode <= 199 && statusCode != 101; }
};

// The header is everything before the first blank line; it may not be longer than this.
inline constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

// Index of the CR LF CR LF that ends the header, or -1 while it has not arrived. `from` lets
// a caller that appends piece by piece search only what is new.
qsizetype findHeaderEnd(const QByteArray &data, qsizetype from = 0);

// Parses the status line and header fields (names in any case; the first Content-Type
// counts, repeated Content-Lengths must agree). `header` excludes the blank line. The status
// code is set whenever the status line is sound, whatever problem the fields have.
ResponseHeader parseResponseHeader(const QByteArray &header);
