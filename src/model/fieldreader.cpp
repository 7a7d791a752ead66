#include "fieldreader.h"

FieldReader::FieldReader(const QByteArray &bytes)
    : m_bytes(bytes), m_data(m_bytes.constData()), m_size(m_bytes.size())
{}

bool FieldReader::lineEndAt(qsizetype pos) const
{
    return pos < m_size && (at(pos) == '\r' || at(pos) == '\n');
}

void FieldReader::consumeLineEnd()
{
    if (m_pos >= m_size)
        return;
    if (at(m_pos) == '\r' && m_pos + 1 < m_size && at(m_pos + 1) == '\n')
        m_pos += 2;
    else
        ++m_pos;
    ++m_line;
}

void FieldReader::skipBlanks()
{
    while (m_pos < m_size && (at(m_pos) == ' ' || at(m_pos) == '\t'))
        ++m_pos;
}

void FieldReader::skipPastDelimiter()
{
    while (m_pos < m_size && at(m_pos) != ',' && !lineEndAt(m_pos))
        ++m_pos;
    if (m_pos < m_size && at(m_pos) == ',')
        ++m_pos;
    else
        consumeLineEnd();
}

QByteArrayView FieldReader::readQuoted()
{
    ++m_pos; // the opening quote
    const qsizetype start = m_pos;
    while (m_pos < m_size && at(m_pos) != '"') {
        // A quoted field may span lines; keep the line count right.
        if (at(m_pos) == '\n' || (at(m_pos) == '\r' && !(m_pos + 1 < m_size && at(m_pos + 1) == '\n')))
            ++m_line;
        ++m_pos;
    }
    const QByteArrayView field(m_data + start, m_pos - start);
    if (m_pos < m_size)
        ++m_pos; // the closing quote
    skipPastDelimiter();
    return field;
}

QByteArrayView FieldReader::readLine()
{
    m_fieldLine = m_line;
    const qsizetype start = m_pos;
    while (m_pos < m_size && !lineEndAt(m_pos))
        ++m_pos;
    const QByteArrayView text(m_data + start, m_pos - start);
    consumeLineEnd();
    return text;
}

std::optional<QByteArrayView> FieldReader::readField()
{
    if (atEnd())
        return std::nullopt;
    skipBlanks();
    m_fieldLine = m_line;
    if (m_pos < m_size && at(m_pos) == '"')
        return readQuoted();
    const qsizetype start = m_pos;
    while (m_pos < m_size && at(m_pos) != ',' && !lineEndAt(m_pos))
        ++m_pos;
    const QByteArrayView field(m_data + start, m_pos - start);
    skipPastDelimiter();
    return field;
}

std::optional<QByteArrayView> FieldReader::readNumberField()
{
    if (atEnd())
        return std::nullopt;
    skipBlanks();
    m_fieldLine = m_line;
    if (m_pos < m_size && at(m_pos) == '"')
        return readQuoted().trimmed();
    const qsizetype start = m_pos;
    while (m_pos < m_size && at(m_pos) != ',' && at(m_pos) != ' ' && at(m_pos) != '\t' && !lineEndAt(m_pos))
        ++m_pos;
    const QByteArrayView field(m_data + start, m_pos - start);
    // Blanks after a number are ignored; a comma or line end right after them closes the field.
    skipBlanks();
    if (m_pos < m_size && at(m_pos) == ',')
        ++m_pos;
    else if (lineEndAt(m_pos))
        consumeLineEnd();
    return field;
}
