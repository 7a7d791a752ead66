// The quote CSV answer, read and shown as the quote panel would.
#include "model/numbertext.h"
#include "sync/quotereader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QuoteRecord record = parseQuoteRecord(bytes);
    const QString shown =
        record.lastTrade.toText(u'.') + record.volume.toText(u'.') + moneyToText(record.open, u'.');
    // Nothing read can be longer than what was given, and a shown number must read back.
    if (record.symbol.size() > bytes.size() || record.change.size() > bytes.size() ||
        (record.lastTrade.number && !doubleFromText(record.lastTrade.toText(u'.'), u'.')))
        std::abort();
    return shown.isNull() ? 1 : 0;
}
