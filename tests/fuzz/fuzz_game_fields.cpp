// The game files' field reader and the layouts built on it.
#include "model/fieldreader.h"
#include "model/gamefileformat.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Read the bytes with a mix of operations chosen by the bytes themselves; every read must
    // move on, or the reader would hang on this file.
    FieldReader reader(bytes);
    qsizetype step = 0;
    while (!reader.atEnd()) {
        if (++step > bytes.size() + 1)
            std::abort();
        switch (bytes.at(step % bytes.size()) % 3) {
        case 0:
            reader.readLine();
            break;
        case 1:
            if (!reader.readField())
                std::abort();
            break;
        default:
            if (!reader.readNumberField())
                std::abort();
            break;
        }
    }

    const QString path = QStringLiteral("fuzz.qvn");
    SavedGameContent game;
    (void)parseSavedGame(bytes, path, u'.', game);
    (void)parseSavedGame(bytes, path, u',', game, 3);
    Money cash;
    (void)parseSavedGameCash(bytes, path, u'.', cash);
    Settings settings;
    (void)parseSettings(bytes, path, settings);
    QList<QByteArray> fields;
    (void)parseFavoriteFields(bytes, path, fields);
    return 0;
}
