#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Reads the game files as their 8-bit text is laid out: whole lines, or fields that end at a
// comma or a line end. Blanks before a field are skipped; a number field also ends at a blank;
// a field that begins with a double quote runs to the next double quote. Line ends may be
// CR LF, LF or CR.
class FieldReader
{
public:
    explicit FieldReader(const QByteArray &bytes);

    bool atEnd() const { return m_pos >= m_size; }
    // 1-based line of the read position.
    int line() const { return m_line; }
    // Line on which the last field or line read began.
    int fieldLine() const { return m_fieldLine; }

    // The texts returned point into the reader's bytes and live as long as the reader.

    // Everything up to the line end, blanks included; the line end is consumed.
    QByteArrayView readLine();
    // The next text field; nothing when already at the end of the file.
    std::optional<QByteArrayView> readField();
    // The next number field as written, without its blanks; nothing at the end of the file.
    std::optional<QByteArrayView> readNumberField();

private:
    char at(qsizetype pos) const { return m_data[pos]; }
    bool lineEndAt(qsizetype pos) const;
    void consumeLineEnd();
    void skipBlanks();
    // Moves past the next comma or line end, ignoring anything before it.
    void skipPastDelimiter();
    QByteArrayView readQuoted();

    const QByteArray m_bytes;
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    int m_line = 1;
    int m_fieldLine = 1;
};
