#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpc/frame_extraction.h"
#include "export/export_format.h"

namespace volumix {

// Z80 assembler sources beside the data files: one labelled block of DB lines
// per stored frame ("SP_Frame_%03d", the frame index + 1), then a closing
// TabIndex table. Hexadecimal as "#%02X"; lines end with CR LF.

// The byte that selects a record's bank on a 128K CPC: 0xC0 for main memory
// (bank 0), else 0xC0 | ((bank + 3) & 7), so banks 4..8 give C7, C0..C3.
uint8_t bankSelectByte(uint8_t bank);

// The text of one frame's block: heading, for sprite blocks the layout
// comment and the header line, then the data 8 bytes a line.
std::string asmFrameBlock(const FrameRecord& record, int32_t frameIndex, const SpriteFrames* sprite);

// The closing part: end line, TabIndex heading, one entry per frame stored
// so far (frame firstFrame + k * frameStep, with its bank's select byte when
// banks are used), end of the table.
std::string asmClosing(const std::vector<FrameRecord>& records, int32_t framesStored, int32_t firstFrame,
                       int32_t frameStep, bool useBanks);

}  // namespace volumix
