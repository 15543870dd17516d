#pragma once
// Makes a new item object for a message item kind code.
#include <cstdint>
#include <memory>

class TSGNSendMsg;

// The item of that kind with its construction defaults, or empty for a code
// that names no item kind (0x8005, 0x8008, non-item codes).
std::unique_ptr<TSGNSendMsg> CreateItemOfKind(uint16_t kind);
