#include "export/asm_source.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace volumix {

namespace {

constexpr const char* LabelPrefix = "SP_Frame_";
constexpr const char* DbLead = "        DB      ";
constexpr const char* DwLead = "        DW      ";
constexpr int32_t BytesPerDbLine = 8;

constexpr char HexDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string& text, uint8_t value) {
    const char hex[3] = {'#', HexDigits[value >> 4], HexDigits[value & 15]};
    text.append(hex, 3);
}

// Blocks of large frames run to thousands of lines: the text is laid into a
// buffer sized exactly beforehand rather than printed piece by piece, with
// the same "#%02X" digits.
void appendDataLines(std::string& text, const uint8_t* bytes, int32_t count) {
    if (count <= 0) return;
    const size_t leadLength = std::char_traits<char>::length(DbLead);
    const size_t lines = static_cast<size_t>((count + BytesPerDbLine - 1) / BytesPerDbLine);
    const size_t values = static_cast<size_t>(count);
    // Per line the lead and CR LF; per byte "#XX"; ", " between bytes.
    const size_t size = lines * (leadLength + 2) + values * 3 + (values - lines) * 2;
    const size_t start = text.size();
    text.resize(start + size);
    char* out = text.data() + start;
    for (int32_t first = 0; first < count; first += BytesPerDbLine) {
        const int32_t end = std::min(count, first + BytesPerDbLine);
        out = std::copy_n(DbLead, leadLength, out);
        for (int32_t k = first; k < end; ++k) {
            *out++ = '#';
            *out++ = HexDigits[bytes[k] >> 4];
            *out++ = HexDigits[bytes[k] & 15];
            if (k + 1 < end) {
                *out++ = ',';
                *out++ = ' ';
            }
        }
        *out++ = '\r';
        *out++ = '\n';
    }
}

std::string labelLine(const char* lead, int64_t frameIndex, const char* tail) {
    char line[80];
    std::snprintf(line, sizeof line, "%s%s%03lld%s", lead, LabelPrefix, static_cast<long long>(frameIndex + 1), tail);
    return line;
}

}  // namespace

uint8_t bankSelectByte(uint8_t bank) {
    if (bank == 0) return 0xC0;
    return static_cast<uint8_t>(0xC0 | ((bank + 3) & 7));
}

std::string asmFrameBlock(const FrameRecord& record, int32_t frameIndex, const SpriteFrames* sprite) {
    const int32_t length = std::clamp(record.length, 0, static_cast<int32_t>(record.data.size()));
    const uint8_t* bytes = record.data.data();
    std::string text;

    char line[96];
    std::snprintf(line, sizeof line, ";\r\n; Trame %d\r\n;\r\n", frameIndex + 1);
    text += line;
    text += labelLine("", frameIndex, ":\r\n");

    int32_t start = 0;
    if (sprite != nullptr) {
        switch (sprite->layout) {
            case SpriteLayoutLines: text += "; Mode du sprite = LIGNES PAR LIGNES\r\n"; break;
            case SpriteLayoutOneColumn: text += "; Mode du sprite = 1 COLONNE par 1 COLONNE\r\n"; break;
            case SpriteLayoutTwoColumns: text += "; Mode du sprite = 2 COLONNES par 2 COLONNES\r\n"; break;
        }
        // The header bytes are always in the buffer (it is far larger than
        // four bytes); a record shorter than its header still gets no data
        // line beyond its length.
        if (sprite->sizeOnlyHeader) {
            std::snprintf(line, sizeof line, "%s#%02X, #%02X,                   ' (TailleX,TailleY)\r\n", DbLead,
                          bytes[0], bytes[1]);
            start = 2;
        } else {
            std::snprintf(line, sizeof line, "%s#%02X, #%02X, #%02X, #%02X      ' (XD,YD,XA,YA)\r\n", DbLead,
                          bytes[0], bytes[1], bytes[2], bytes[3]);
            start = 4;
        }
        text += line;
        start = std::min(start, length);
    }
    appendDataLines(text, bytes + start, length - start);
    return text;
}

std::string asmClosing(const std::vector<FrameRecord>& records, int32_t framesStored, int32_t firstFrame,
                       int32_t frameStep, bool useBanks) {
    std::string text;
    text += DwLead;
    text += "#0000\r\n";
    text += "\r\n;\r\n; Tableau d'index...\r\n;\r\nTabIndex:\r\n";
    for (int32_t k = 0; k < framesStored; ++k) {
        const int64_t frameIndex = firstFrame + static_cast<int64_t>(k) * frameStep;
        text += labelLine(DwLead, frameIndex, "\r\n");
        if (useBanks) {
            // Only stored frames are listed, so the index names a record; a
            // table that does not match the records gets main memory's byte
            // rather than a read outside them.
            const bool known = frameIndex >= 0 && frameIndex < static_cast<int64_t>(records.size());
            text += DbLead;
            appendHexByte(text, bankSelectByte(known ? records[static_cast<size_t>(frameIndex)].bank : 0));
            text += "\r\n";
        }
    }
    text += DwLead;
    text += "#0000\r\n";
    if (useBanks) {
        text += DbLead;
        text += "#00\r\n";
    }
    return text;
}

}  // namespace volumix
