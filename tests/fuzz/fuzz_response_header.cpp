// The answer header of the quote download: where it ends and what it says.
#include "sync/responseheader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype end = findHeaderEnd(bytes);
    if (end >= 0 && (end + 4 > bytes.size() || bytes.mid(end, 4) != "\r\n\r\n"))
        std::abort();
    // Searching only past a piece that held no blank line finds the same end.
    for (const qsizetype cut : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 2})
        if (cut >= 0 && findHeaderEnd(bytes.left(cut)) < 0 && findHeaderEnd(bytes, cut - 3) != end)
            std::abort();

    const ResponseHeader header = parseResponseHeader(end >= 0 ? bytes.left(end) : bytes);
    if (header.problem == ResponseHeader::Problem::None &&
        (header.contentLength < 0 || header.contentLength > 0x7fffffffLL || header.statusCode < 0 ||
         header.statusCode > 999))
        std::abort();
    return 0;
}
