#pragma once

#include "downloadpanel.h"
#include "model/numbertext.h"

#include <QChar>
#include <QString>
#include <QtGlobal>

// "1023 Bytes", "1.50 KB", "1,500.00 MB" (a megabyte here is 1 024 000 bytes), with the
// separators of `format`.
QString Format_Size(qint64 bytes, const NumberFormat &format);

// "HH:MM:SS"; hours past 99 take as many digits as they need, negative counts show 00:00:00.
QString Format_Time(qint64 seconds);

// stored / total as a whole percentage, ties to even; 0 for an unknown total, at most 100.
int progressPercent(qint64 stored, qint64 total);
// "25%"; percent 0 gives "%" alone.
QString progressLabel(int percent);
void Draw_Progress(ProgressPicture &picture, int percent);

// Bytes received in the last second in hundredths of a thousand bytes per second ("####.00").
qint64 currentSpeedHundredths(qint64 bytesThisSecond);
// Thousands of bytes per second since the start, rounded down; 0 while no time has passed.
qint64 averageSpeed(qint64 bytesSinceStart, double elapsedSeconds);
// Seconds left: the remaining size in units of 1024 bytes over the average speed, rounded down.
qint64 remainingSeconds(qint64 remainingBytes, qint64 averageSpeed);
