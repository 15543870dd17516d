#include "model/BinaryStream.h"

#include <cstring>

FileFormatError::FileFormatError(qint64 offset, const QString& expected)
    : std::runtime_error(expected.toStdString()), offset_(offset), expected_(expected)
{
}

QString FileFormatError::Describe() const
{
    return QStringLiteral("at byte %1: expected %2").arg(offset_).arg(expected_);
}

FileLimitError::FileLimitError(const QString& what)
    : std::runtime_error(what.toStdString()), what_(what)
{
}

void BinaryReader::Fail(const QString& expected) const
{
    throw FileFormatError(pos_, expected);
}

const uint8_t* BinaryReader::Take(qint64 count, const char* what)
{
    if (count < 0 || count > Remaining()) {
        Fail(QStringLiteral("%1 (%2 bytes, %3 left in the file)")
                 .arg(QLatin1String(what))
                 .arg(count)
                 .arg(Remaining()));
    }
    const auto* p = reinterpret_cast<const uint8_t*>(bytes_.constData()) + pos_;
    pos_ += count;
    return p;
}

uint8_t BinaryReader::ReadU8(const char* what)
{
    return *Take(1, what);
}

uint16_t BinaryReader::ReadU16(const char* what)
{
    const uint8_t* p = Take(2, what);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t BinaryReader::ReadU32(const char* what)
{
    const uint8_t* p = Take(4, what);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t BinaryReader::ReadI32(const char* what)
{
    return static_cast<int32_t>(ReadU32(what));
}

double BinaryReader::ReadF64(const char* what)
{
    const uint8_t* p = Take(8, what);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray BinaryReader::ReadBytes(qint64 count, const char* what)
{
    const uint8_t* p = Take(count, what);
    return QByteArray(reinterpret_cast<const char*>(p), count);
}

void BinaryReader::Skip(qint64 count, const char* what)
{
    Take(count, what);
}

QString BinaryReader::ReadWideString(const char* what)
{
    const uint16_t units = ReadU16(what);
    const uint8_t* p = Take(qint64(units) * 2, what);
    QString text(units, Qt::Uninitialized);
    for (int i = 0; i < units; ++i)
        text[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
    return text;
}

QStringList BinaryReader::ReadStringList(const char* what)
{
    const uint16_t count = ReadU16(what);
    RequireFor(count, 2, what);
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(ReadWideString(what));
    return lines;
}

void BinaryReader::RequireFor(qint64 count, qint64 minimumSize, const char* what) const
{
    if (count < 0 || count * minimumSize > Remaining()) {
        Fail(QStringLiteral("%1: %2 entries of at least %3 bytes, but only %4 bytes are left")
                 .arg(QLatin1String(what))
                 .arg(count)
                 .arg(minimumSize)
                 .arg(Remaining()));
    }
}

void BinaryWriter::WriteU8(uint8_t value)
{
    bytes_.append(static_cast<char>(value));
}

void BinaryWriter::WriteU16(uint16_t value)
{
    WriteU8(value & 0xFF);
    WriteU8(value >> 8);
}

void BinaryWriter::WriteU32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        WriteU8((value >> (8 * i)) & 0xFF);
}

void BinaryWriter::WriteI32(int32_t value)
{
    WriteU32(static_cast<uint32_t>(value));
}

void BinaryWriter::WriteF64(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i)
        WriteU8((bits >> (8 * i)) & 0xFF);
}

void BinaryWriter::WriteBytes(const QByteArray& bytes)
{
    bytes_.append(bytes);
}

void BinaryWriter::WriteBytes(const uint8_t* data, qint64 count)
{
    bytes_.append(reinterpret_cast<const char*>(data), count);
}

void BinaryWriter::WriteZeros(qint64 count)
{
    bytes_.append(QByteArray(count, '\0'));
}

void BinaryWriter::WriteTag(const char* tag, int width)
{
    QByteArray field(tag);
    field.resize(width, '\0');
    bytes_.append(field);
}

void BinaryWriter::WriteWideString(const QString& text, const char* what)
{
    if (text.size() > 0xFFFF) {
        throw FileLimitError(
            QStringLiteral("%1 has %2 characters; a project file holds at most 65535")
                .arg(QLatin1String(what))
                .arg(text.size()));
    }
    WriteU16(static_cast<uint16_t>(text.size()));
    for (QChar c : text)
        WriteU16(c.unicode());
}

void BinaryWriter::WriteStringList(const QStringList& lines, const char* what)
{
    if (lines.size() > 0xFFFF) {
        throw FileLimitError(QStringLiteral("%1 has %2 lines; a project file holds at most 65535")
                                 .arg(QLatin1String(what))
                                 .arg(lines.size()));
    }
    WriteU16(static_cast<uint16_t>(lines.size()));
    for (const QString& line : lines)
        WriteWideString(line, what);
}
