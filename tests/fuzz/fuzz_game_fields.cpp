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
        const int operation = bytes.at(step % bytes.size()) % 3;
        if (operation == 0)
            reader.readLine();
        else if (!(operation == 1 ? reader.readField() : reader.readNumberField()))
            std::abort();
    }

    const QString path = QStringLiteral("fuzz.qvn");
    SavedGameContent game;
    Money cash;
    Settings settings;
    QList<QByteArray> fields;
    (void)parseSavedGame(bytes, path, u'.', game);
    (void)parseSavedGame(bytes, path, u',', game, 3);
    (void)parseSavedGameCash(bytes, path, u'.', cash);
    (void)parseSettings(bytes, path, settings);
    (void)parseFavoriteFields(bytes, path, fields);
    return 0;
}
