#pragma once

#include "quoterecord.h"

#include <QByteArray>
#include <QString>

// The first record of a quote answer: nine comma- or line-separated items, quoted items
// taken whole. Whatever is missing or unreadable keeps its initial value; never fails.
QuoteRecord parseQuoteRecord(const QByteArray &bytes);

// parseQuoteRecord on "<programFolder>/quote.cfg"; an empty record when it cannot be read.
QuoteRecord readQuoteFile(const QString &programFolder);

QString quoteFilePath(const QString &programFolder);
