// The download client fed an answer in pieces of fuzzed sizes, with timer ticks between them:
// it must never store more than the length it announced, nor anything past a bad header.
#include "common/fakes.h"
#include "sync/httpdownload.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char *argv[] = {const_cast<char *>("fuzz_download_answer"), nullptr};
    static QCoreApplication app(argc, argv);
    // Memory-backed when there is one: the client writes the file for every piece.
    static const QString folder = (QDir(u"/dev/shm"_s).exists() ? u"/dev/shm"_s : QDir::tempPath()) +
                                  u"/quorvane-fuzz-"_s + QString::number(QCoreApplication::applicationPid());
    [[maybe_unused]] static const bool made = QDir().mkpath(folder);

    FakeSocket socket;
    FakeClock clock;
    const ProxySetting direct;
    const NumberFormat numbers;
    HttpDownload client(socket, clock, direct, numbers, folder);
    client.panel().TextUrl = u"http://quote.host/d/quotes.csv?s=IBM"_s;
    if (!client.CmdTelecharger_Click())
        std::abort();
    socket.accept();

    // Each piece: one byte giving its length (and whether a tick follows), then the piece.
    size_t pos = 0;
    while (pos < size && client.isBusy()) {
        const uint8_t control = data[pos++];
        const size_t length = std::min<size_t>(size - pos, 1 + (control & 0x3f));
        socket.deliver(QByteArray(reinterpret_cast<const char *>(data + pos), qsizetype(length)));
        pos += length;
        if (control & 0x40)
            client.Timer_Percent_Timer();
        if (control & 0x80)
            client.Timer_Seconde_Timer();
        // Nothing is stored before a good header (an empty file may stay).
        const qint64 stored = QFileInfo(client.filePath()).size();
        if (client.headerReceived() ? client.bytesStored() > client.totalSize() || client.bytesStored() < 0 ||
                                          stored != client.bytesStored()
                                    : stored != 0)
            std::abort();
        QCoreApplication::sendPostedEvents();
    }
    client.abandon();
    QCoreApplication::sendPostedEvents();
    return 0;
}
