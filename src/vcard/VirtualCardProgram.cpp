// The virtual card's program storage: what the message and program-mark
// commands leave on the card, written out on request, and export files read
// as if their records had arrived on the line.
#include "vcard/VirtualCard.h"

#include <QFile>
#include <QString>

namespace {

constexpr int kReplyBytes = 52;
constexpr int kShortestFrame = 52;
constexpr int kLongestFrame = 1076;

uint16_t Get16At(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

void VirtualCard::TakeProgramFrame(const uint8_t* frame, int length)
{
    program_.Take(frame, length);
    if (frame[13] == 25 && frame[16] == 1 && !programDir_.empty()) {
        QString why;
        if (!WriteVirtualProgram(program_, state_.HardwareParams, state_.ZoneTable,
                                 QString::fromStdString(programDir_), &why))
            Log("  cannot write the program: " + why.toStdString());
        else
            Log("  program written to " + programDir_);
    }
}

VirtualProgram VirtualCard::Program() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return program_;
}

bool VirtualCard::WriteProgram(const std::string& dir, std::string* error) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    QString why;
    if (WriteVirtualProgram(program_, state_.HardwareParams, state_.ZoneTable,
                            QString::fromStdString(dir), &why))
        return true;
    if (error)
        *error = why.toStdString();
    return false;
}

void VirtualCard::SetProgramDir(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(mutex_);
    programDir_ = dir;
}

std::string VirtualCard::ProgramDir() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return programDir_;
}

bool VirtualCard::LoadExportFile(const std::string& path, std::string* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why.toStdString();
        return false;
    };
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    constexpr int kRecord = 2048;
    std::array<uint8_t, kReplyBytes> reply{};
    for (qint64 offset = 0;; offset += kRecord) {
        const QByteArray record = file.read(kRecord);
        if (record.isEmpty())
            break;
        if (record.size() != kRecord)
            return fail(QStringLiteral("%1: the record at offset %2 has %3 of 2048 bytes")
                            .arg(file.fileName())
                            .arg(offset)
                            .arg(record.size()));
        const auto* f = reinterpret_cast<const uint8_t*>(record.constData());
        const int length = Get16At(f + 1);
        if (f[0] != 0xA0 || length < kShortestFrame || length > kLongestFrame ||
            f[length - 1] != 0x50)
            return fail(QStringLiteral("%1: the record at offset %2 holds no request packet")
                            .arg(file.fileName())
                            .arg(offset));
        uint16_t sum = 0;
        for (int i = 0; i < length - 4; ++i)
            sum = static_cast<uint16_t>(sum + f[i]);
        if (sum != Get16At(f + length - 4))
            return fail(QStringLiteral("%1: the packet at offset %2 has a bad checksum")
                            .arg(file.fileName())
                            .arg(offset));
        Log("record at " + std::to_string(offset) + ": " + Describe(f, length));
        Answer(f, length, reply);
    }
    return true;
}
