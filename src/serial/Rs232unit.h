#pragma once
// The link a panel talks to its card through, built on the serial engine:
// the list of serial ports, opening a port with the fixed framing (no
// parity, 8 data bits, 1 stop bit), writing in small chunks, pulling
// received bytes into the panel's receive buffer and waiting, with a time
// budget derived from the baud rate, for an exact number of reply bytes.
// UI thread only. While ComReadExact waits it calls UiHooks::Pump().
#include <QString>
#include <QStringList>
#include <cstdint>

class CnComm;

// Size of a receive buffer the helpers fill (TSGNPanel::ReceiveBuffer).
constexpr int ComReceiveBufferSize = 1024;
// Largest chunk ComWrite hands to the engine at once, and the pause after it.
constexpr int ComWriteChunk = 128;
constexpr int ComWritePauseMs = 1;
// Thread wait when a link is closed.
constexpr uint32_t ComCloseWaitMs = 200;

// names: cleared, then the COM name of every listed port ("COM3"), in list order.
void GetComPortNames(QStringList& names);
// The decimal number after the first three characters ("COM12" -> 12); 0 when
// they are not a decimal number (such a port cannot be opened by number).
int ComPortNumber(const QString& name);
// ports: cleared, then every listed port's number as decimal text.
void GetComPortList(QStringList& ports);
// The first listed port's number, or 1 when none is listed.
int FirstComPort();

// Opens the engine on port `port` at `baudRate` baud, no parity, 8 data
// bits, 1 stop bit. True when the engine is open afterwards; an engine that
// is already open is left as it is (port and settings unchanged).
bool ComOpen(CnComm& engine, int port, int baudRate);
// Closes the engine if open (200 ms watch-thread wait). Always true.
bool ComClose(CnComm& engine);
// Hands `length` bytes to the engine in chunks of at most 128 bytes with a
// 1 ms pause after each; returns without waiting for the line.
void ComWrite(CnComm& engine, const uint8_t* bytes, int length);
// Moves what the driver has received into buffer (1024 bytes) after the
// `count` bytes it holds, never past its end; count grows by the bytes
// actually stored. Nothing when count is outside 0..1024.
void ComPull(CnComm& engine, int32_t& count, uint8_t* buffer);
// Waits for `length` bytes (1..1024) in buffer: an initial wait of twice
// the line time of `length` bytes at 14 bit periods each (plus 10 ms), then
// up to `tries` pulls, each followed by a short wait and a UI pump. On
// success copies the first `length` bytes to dst, moves the rest of the
// buffer to its start and lowers count by `length`. On failure the bytes
// stay in the buffer. Fails at once on a closed engine or one without a
// baud rate.
bool ComReadExact(CnComm& engine, uint8_t* dst, int length, uint8_t* buffer, int32_t& count,
                  int tries);

// The waits of ComReadExact in milliseconds (never 0): before the first pull,
// ((14000000 / baud) x length / 1000) x 2; after each pull,
// (length x (length - count) / 1000) x 2. Integer divisions throughout.
uint32_t ComInitialWaitMs(uint32_t baudRate, uint32_t length);
uint32_t ComPollWaitMs(uint32_t length, uint32_t count);
