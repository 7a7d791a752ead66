#pragma once

#include "quoterecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The first record of a quote answer: nine comma- or line-separated items, quoted items
// taken whole. Whatever is missing or unreadable keeps its initial value; never fails.
QuoteRecord parseQuoteRecord(const QByteArray &bytes);

// parseQuoteRecord on "<programFolder>/quote.cfg"; an empty record when it cannot be read.
// A FIFO or device there is never waited on.
QuoteRecord readQuoteFile(const QString &programFolder);

// The message for the player when something other than a file stands where the quote download
// must go (a folder, say), so that no quote can ever arrive; nothing when the way is free.
std::optional<QString> quoteFileProblem(const QString &programFolder);

QString quoteFilePath(const QString &programFolder);
