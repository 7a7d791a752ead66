// The download client fed an answer in pieces of fuzzed sizes, with timer ticks between them:
// it must never store more than the length it announced, nor anything past a bad header.
#include "common/fakes.h"
#include "sync/httpdownload.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>

namespace {

QString scratchFolder()
{
    // Memory-backed when there is one: the client writes the file for every piece.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString folder =
        base + QStringLiteral("/quorvane-fuzz-") + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(folder);
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_download_answer";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QString folder = scratchFolder();

    FakeSocket socket;
    FakeClock clock;
    const ProxySetting direct;
    const NumberFormat numbers;
    HttpDownload client(socket, clock, direct, numbers, folder);
    client.panel().TextUrl = QStringLiteral("http://quote.host/d/quotes.csv?s=IBM");
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
        if (client.headerReceived()) {
            if (client.bytesStored() > client.totalSize() || client.bytesStored() < 0)
                std::abort();
            if (QFileInfo(client.filePath()).size() != client.bytesStored())
                std::abort();
        } else if (QFileInfo(client.filePath()).size() != 0) {
            std::abort(); // nothing is stored before a good header (an empty file may stay)
        }
        QCoreApplication::sendPostedEvents();
    }
    client.abandon();
    QCoreApplication::sendPostedEvents();
    return 0;
}
