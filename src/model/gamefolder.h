#pragma once

#include "atomicfile.h"

#include <QChar>
#include <QString>

// The program folder as the game files see it: where it is, the decimal separator of the
// numbers in its files, and what replaces them. A bare path means the point and the disk.
struct GameFolder
{
    GameFolder(const QString &folderPath, QChar decimalSeparator = u'.',
               FileReplacer &fileReplacer = FileReplacer::onDisk())
        : path(folderPath), decimal(decimalSeparator), replacer(&fileReplacer)
    {}

    QString path;
    QChar decimal;
    FileReplacer *replacer;
};
