#pragma once
// The program a virtual control card holds: the message pages it received
// (by card page number, continuation blocks reassembled at their offsets)
// and the program's begin and end marks. It can write what it holds as one
// JSON file per page (decoded parameters, character codes) and one PNG per
// bitmap page at one pixel per LED.
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

struct VirtualPage
{
    uint16_t Number = 0;
    // Packet bytes 16..47 of the page's first block (command 3).
    std::array<uint8_t, 32> Params{};
    bool HasFirstBlock = false;
    int Blocks = 0;            // packets received for the page
    std::vector<uint8_t> Data; // content, each block at its byte offset
};

class VirtualProgram
{
public:
    // Takes one request frame; message blocks (commands 2, 3) and program
    // marks (25) are kept, other commands ignored. A begin mark starts a new
    // program (the pages held so far are dropped).
    void Take(const uint8_t* frame, int length);
    void Clear();

    std::map<uint16_t, VirtualPage> Pages;
    int Begins = 0;
    int Ends = 0;
    bool Complete = false; // an end mark came after the last page
};

// Writes page-NNN.json for every page and page-NNN.png for picture and
// rich-text pages into dir (created when missing). hardware is the card's
// parameter block (size and colour mode), zones its zone table (four 8-byte
// entries). False with the reason in *error when a file cannot be written.
bool WriteVirtualProgram(const VirtualProgram& program, const std::array<uint8_t, 16>& hardware,
                         const std::array<uint8_t, 32>& zones, const QString& dir, QString* error);
