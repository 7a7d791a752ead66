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
        BadContentLength, // not a count of bytes below 2^31
    };

    Problem problem = Problem::None;
    int statusCode = 0;
    QByteArray contentType; // trimmed, as sent
    qint64 contentLength = 0;

    bool isSuccess() const { return statusCode >= 200 && statusCode <= 299; }
};

// The header is everything before the first blank line; it may not be longer than this.
inline constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

// Index of the CR LF CR LF that ends the header, or -1 while it has not arrived. `from` lets
// a caller that appends piece by piece search only what is new.
qsizetype findHeaderEnd(const QByteArray &data, qsizetype from = 0);

// Parses the status line and header fields (names in any case; the first of a repeated
// field counts). `header` excludes the blank line.
ResponseHeader parseResponseHeader(const QByteArray &header);
