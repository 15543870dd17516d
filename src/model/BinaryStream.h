#pragma once
// Little-endian field-by-field reading and writing of the project file and
// of other fixed-width records. The reader is bounded by the bytes it was
// given and reports the offset where a record stopped making sense.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

// A record that cannot be read: where it went wrong and what was expected
// there. Thrown by BinaryReader; the project loader catches it and turns it
// into its error result, so it never leaves the model layer.
class FileFormatError : public std::runtime_error
{
public:
    FileFormatError(qint64 offset, const QString& expected);
    qint64 Offset() const { return offset_; }
    const QString& Expected() const { return expected_; }
    // "at byte N: expected ..." for messages and logs.
    QString Describe() const;

private:
    qint64 offset_;
    QString expected_;
};

// A value that the file format cannot store (a text of 65536 or more code
// units, a list of 65536 or more lines). Thrown by BinaryWriter and caught by
// the project writer before anything reaches the disk.
class FileLimitError : public std::runtime_error
{
public:
    explicit FileLimitError(const QString& what);
    const QString& What() const { return what_; }

private:
    QString what_;
};

class BinaryReader
{
public:
    explicit BinaryReader(const QByteArray& bytes) : bytes_(bytes) {}

    qint64 Position() const { return pos_; }
    qint64 Remaining() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }

    // Each read names what it reads so that a short file says what was
    // missing, e.g. "panel Id (u16)".
    uint8_t ReadU8(const char* what);
    uint16_t ReadU16(const char* what);
    int32_t ReadI32(const char* what);
    uint32_t ReadU32(const char* what);
    double ReadF64(const char* what);
    QByteArray ReadBytes(qint64 count, const char* what);
    void Skip(qint64 count, const char* what);
    // u16 count of UTF-16 code units, then the units.
    QString ReadWideString(const char* what);
    // u16 line count, then that many wide strings.
    QStringList ReadStringList(const char* what);

    // Fails unless at least count × minimumSize bytes are left: a count read
    // from the file never sizes an allocation larger than the file itself.
    void RequireFor(qint64 count, qint64 minimumSize, const char* what) const;
    [[noreturn]] void Fail(const QString& expected) const;

private:
    const uint8_t* Take(qint64 count, const char* what);

    const QByteArray& bytes_;
    qint64 pos_ = 0;
};

class BinaryWriter
{
public:
    const QByteArray& Bytes() const { return bytes_; }

    void WriteU8(uint8_t value);
    void WriteU16(uint16_t value);
    void WriteI32(int32_t value);
    void WriteU32(uint32_t value);
    void WriteF64(double value);
    void WriteBytes(const QByteArray& bytes);
    void WriteBytes(const uint8_t* data, qint64 count);
    void WriteZeros(qint64 count);
    // ASCII tag padded with zero bytes to width.
    void WriteTag(const char* tag, int width = 16);
    // Throws FileLimitError when the text has 65536 or more code units.
    void WriteWideString(const QString& text, const char* what);
    void WriteStringList(const QStringList& lines, const char* what);

private:
    QByteArray bytes_;
};
