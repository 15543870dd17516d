#include "serial/Rs232unit.h"

#include "serial/CnComm.h"
#include "serial/Deadline.h"
#include "serial/PortList.h"
#include "serial/UiHooks.h"

#include <algorithm>
#include <cstring>

void GetComPortNames(QStringList& names)
{
    names.clear();
    for (const TSerialPortInfo& port : PortList::ListPorts())
        names << port.Name;
}

int ComPortNumber(const QString& name)
{
    bool ok = false;
    const int number = name.mid(3).toInt(&ok, 10);
    return ok && number > 0 ? number : 0;
}

void GetComPortList(QStringList& ports)
{
    QStringList names;
    GetComPortNames(names);
    ports.clear();
    for (const QString& name : names)
        ports << QString::number(ComPortNumber(name));
}

int FirstComPort()
{
    QStringList ports;
    GetComPortList(ports);
    return ports.isEmpty() ? 1 : ports.first().toInt();
}

bool ComOpen(CnComm& engine, int port, int baudRate)
{
    if (engine.IsOpen())
        return true;
    if (port < 1 || baudRate <= 0)
        return engine.Open(0, 0); // fails without touching a device, with the reason set
    return engine.Open(static_cast<uint32_t>(port), static_cast<uint32_t>(baudRate), TParity::None,
                       8, TStopBits::One);
}

bool ComClose(CnComm& engine)
{
    if (engine.IsOpen())
        engine.Close(ComCloseWaitMs);
    return true;
}

void ComWrite(CnComm& engine, const uint8_t* bytes, int length)
{
    if (bytes == nullptr)
        return;
    // Small chunks with a pause between them: the card's receiver has a
    // small buffer and takes a packet best in paced pieces.
    for (int done = 0; done < length;) {
        const int chunk = std::min(length - done, ComWriteChunk);
        engine.Write(bytes + done, static_cast<uint32_t>(chunk));
        SleepMs(ComWritePauseMs);
        done += chunk;
    }
}

void ComPull(CnComm& engine, int32_t& count, uint8_t* buffer)
{
    if (buffer == nullptr || count < 0 || count > ComReceiveBufferSize)
        return;
    const uint32_t queued = engine.GetQueueCount(true);
    uint32_t n = queued == 0xFFFFFFFFu ? 0 : queued;
    n = std::min<uint32_t>(n, static_cast<uint32_t>(ComReceiveBufferSize - count));
    if (n == 0)
        return;
    // Count what the engine stored, not what the queue announced, so that a
    // short read never leaves stale bytes counted as received.
    count += static_cast<int32_t>(engine.Read(buffer + count, n, 0));
}

uint32_t ComInitialWaitMs(uint32_t baudRate, uint32_t length)
{
    if (baudRate == 0)
        return 1;
    const uint32_t ms = ((14000000u / baudRate) * length / 1000u) * 2u;
    return ms == 0 ? 1 : ms;
}

uint32_t ComPollWaitMs(uint32_t length, uint32_t count)
{
    const uint32_t missing = count < length ? length - count : 0;
    const uint32_t ms = (length * missing / 1000u) * 2u;
    return ms == 0 ? 1 : ms;
}

bool ComReadExact(CnComm& engine, uint8_t* dst, int length, uint8_t* buffer, int32_t& count,
                  int tries)
{
    if (dst == nullptr || buffer == nullptr || length < 1 || length > ComReceiveBufferSize ||
        count < 0 || count > ComReceiveBufferSize)
        return false;
    // Without an open engine there is no baud rate to time the wait by.
    const std::optional<TLineSettings> state = engine.GetState();
    if (!state || state->BaudRate == 0)
        return false;
    SleepMs(ComInitialWaitMs(state->BaudRate, static_cast<uint32_t>(length)));
    SleepMs(10);
    while (count < length && tries > 0) {
        ComPull(engine, count, buffer);
        SleepMs(ComPollWaitMs(static_cast<uint32_t>(length), static_cast<uint32_t>(count)));
        SleepMs(10);
        UiHooks::Pump();
        --tries;
    }
    if (count < length)
        return false;
    std::memcpy(dst, buffer, static_cast<size_t>(length));
    std::memmove(buffer, buffer + length, static_cast<size_t>(count - length));
    count -= length;
    return true;
}
