#include "export/frame_export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "export/amsdos.h"
#include "export/asm_source.h"
#include "export/scr_file.h"

namespace volumix {

namespace {

constexpr uint16_t MainMemoryLoadAddress = 0x0200;
constexpr uint16_t BankLoadAddress = 0x4000;
constexpr int32_t LargeCapacity = 0xA400;  // main memory, and the last part (bank 8)
constexpr int32_t BankCapacity = 0x4000;
// The index table lies 0x5C00 below the data (in 16-bit arithmetic): 0xA600
// for main memory, 0xE400 with banks.
constexpr uint16_t IndexBelowData = 0x5C00;
constexpr uint16_t IndexFileLength = 768;

class DiscardingSink : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

// Closes the file; a failure here is a write that never reached the disc.
bool closeFile(std::FILE*& file) {
    if (file == nullptr) return true;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return closed;
}

bool writeAndFlush(std::FILE* file, const void* bytes, size_t count) {
    const bool written = count == 0 || std::fwrite(bytes, 1, count, file) == count;
    return (std::fflush(file) == 0) && written;
}

uint16_t loadAddressOfBank(uint8_t bank) { return bank == MainMemoryBank ? MainMemoryLoadAddress : BankLoadAddress; }

}  // namespace

void FrameExport::reportFileError(MessageSink& messages, const std::string& path) {
    // errno still tells why the open, write, flush or close just failed.
    if (!outputFailed_) outputError_ = path + ": " + std::strerror(errno);
    outputFailed_ = true;
    messages.addLine(formatLine("Erreur de création du fichier %s", path.c_str()));
}

// Drops a file that could not be written: it is reported once and then no
// longer used, so the same file never gives a second line.
void FrameExport::dropFile(std::FILE*& file, const std::string& path, MessageSink& messages) {
    reportFileError(messages, path);
    closeFile(file);
}

FrameExport::FrameExport() = default;

FrameExport::~FrameExport() {
    DiscardingSink sink;
    closeExport(sink);
}

std::string FrameExport::bankSuffix() const {
    if (currentBank_ == MainMemoryBank) return {};
    return formatLine(".C%d", currentBank_);
}

void FrameExport::openExport(const std::string& prefix, bool writeAsm, bool useBanks, int32_t firstFrame,
                             int32_t frameStep, MessageSink& messages) {
    // A run that was never closed still gets its headers and closing part
    // before its state is replaced.
    if (dataFile_ != nullptr || indexFile_ != nullptr || asmFile_ != nullptr) closeExport(messages);
    exportPrefix_ = prefix;
    useBanks_ = useBanks;
    writeAsm_ = writeAsm;
    firstFrame_ = firstFrame;
    frameStep_ = frameStep;
    framesStored_ = 0;
    outputFailed_ = false;
    outputError_.clear();
    currentBank_ = useBanks ? FirstExtraBank : MainMemoryBank;
    bankUsed_ = 0;
    bankCapacity_ = 0;
    nextLoadAddress_ = loadAddressOfBank(currentBank_);
    openBankFiles(messages);
}

void FrameExport::openBankFiles(MessageSink& messages) {
    if (exportPrefix_.empty()) return;

    if (!closeFile(dataFile_)) reportFileError(messages, dataPath_);
    if (!closeFile(indexFile_)) reportFileError(messages, indexPath_);
    closeAsmFile(messages);

    const std::string suffix = bankSuffix();
    dataPath_ = exportPrefix_ + suffix;
    indexPath_ = dataPath_ + ".idx";
    asmPath_ = dataPath_ + ".asm";
    // Each file that cannot be created is reported and left out; the others
    // are still written.
    dataFile_ = std::fopen(dataPath_.c_str(), "wb");
    if (dataFile_ == nullptr) reportFileError(messages, dataPath_);
    indexFile_ = std::fopen(indexPath_.c_str(), "wb");
    if (indexFile_ == nullptr) reportFileError(messages, indexPath_);
    if (writeAsm_) {
        // Binary: the source's CR LF line ends are written as they are.
        asmFile_ = std::fopen(asmPath_.c_str(), "wb");
        if (asmFile_ == nullptr) reportFileError(messages, asmPath_);
    }

    bankUsed_ = 0;
    nextLoadAddress_ = loadAddressOfBank(currentBank_);
    bankCapacity_ = (currentBank_ == MainMemoryBank || currentBank_ >= LastBank) ? LargeCapacity : BankCapacity;

    if (dataFile_ != nullptr && !writeAmsdosHeader(dataFile_, dataPath_, nextLoadAddress_, 0, 0, false))
        dropFile(dataFile_, dataPath_, messages);
    if (indexFile_ != nullptr &&
        !writeAmsdosHeader(indexFile_, indexPath_, static_cast<uint16_t>(nextLoadAddress_ - IndexBelowData),
                           IndexFileLength, 0, false))
        dropFile(indexFile_, indexPath_, messages);
}

void FrameExport::finishDataFile(MessageSink& messages) {
    if (dataFile_ == nullptr) return;
    const bool written = writeAmsdosHeader(dataFile_, dataPath_, loadAddressOfBank(currentBank_),
                                           static_cast<uint16_t>(bankUsed_), 0, true);
    if (!written || std::fflush(dataFile_) != 0) dropFile(dataFile_, dataPath_, messages);
}

void FrameExport::closeAsmFile(MessageSink& messages) {
    if (asmFile_ == nullptr) return;
    const std::string closing = asmClosing(records, framesStored_, firstFrame_, frameStep_, useBanks_);
    const bool written = std::fwrite(closing.data(), 1, closing.size(), asmFile_) == closing.size();
    if (!closeFile(asmFile_) || !written) reportFileError(messages, asmPath_);
}

void FrameExport::closeExport(MessageSink& messages) {
    if (dataFile_ != nullptr) {
        finishDataFile(messages);
        if (!closeFile(dataFile_)) reportFileError(messages, dataPath_);
    }
    if (!closeFile(indexFile_)) reportFileError(messages, indexPath_);
    closeAsmFile(messages);
}

bool FrameExport::storeRecord(FrameRecord& record, int32_t frameIndex, const ExportFrameRequest& request,
                              MessageSink& messages) {
    const int32_t n = record.length;
    // A frame larger than a bank moves on until one holds it; it is never
    // written past a bank's capacity.
    while (bankUsed_ + n > bankCapacity_) {
        if (currentBank_ == MainMemoryBank || currentBank_ >= LastBank) {
            finishDataFile(messages);
            messages.addLine("Dépassement capacité mémoire !!!");
            messages.addLine(formatLine("Nombre d'images générées : %d", framesStored_));
            return false;
        }
        finishDataFile(messages);
        ++currentBank_;
        openBankFiles(messages);
        // The new bank's data file could not be created (already reported):
        // like any bank without a data file, it stores nothing.
        if (dataFile_ == nullptr) return true;
    }

    record.bank = currentBank_;
    if (!writeAndFlush(dataFile_, record.data.data(), static_cast<size_t>(n))) {
        // The frame is lost and the file's content no longer matches an
        // index; from here on this bank stores nothing, as if it were missing.
        dropFile(dataFile_, dataPath_, messages);
        return true;
    }
    if (indexFile_ != nullptr) {
        const uint8_t entry[3] = {static_cast<uint8_t>(nextLoadAddress_), static_cast<uint8_t>(nextLoadAddress_ >> 8),
                                  currentBank_};
        if (!writeAndFlush(indexFile_, entry, sizeof entry)) dropFile(indexFile_, indexPath_, messages);
    }
    nextLoadAddress_ = static_cast<uint16_t>(nextLoadAddress_ + n);
    if (asmFile_ != nullptr) {
        const std::string block = asmFrameBlock(record, frameIndex, request.spriteLayout, request.sizeOnlyHeader);
        if (!writeAndFlush(asmFile_, block.data(), block.size())) dropFile(asmFile_, asmPath_, messages);
    }
    bankUsed_ += n;
    ++framesStored_;
    return true;
}

bool FrameExport::storeRecordForTest(int32_t frameIndex, const ExportFrameRequest& request, MessageSink& messages) {
    if (frameIndex < 0 || frameIndex >= FrameStoreSize) return false;
    if (dataFile_ == nullptr) return true;
    return storeRecord(records[static_cast<size_t>(frameIndex)], frameIndex, request, messages);
}

int32_t FrameExport::exportFrame(const ExportFrameRequest& request, MessageSink& messages) {
    const int32_t i = request.frameIndex;
    // Frames 0..359 have a record; a larger index must never reach past the
    // store. Such a frame is refused whole, and its 0 ends the run.
    if (i >= FrameStoreSize) return 0;

    FrameRecord* record = nullptr;
    if (i >= 0) {
        record = &records[static_cast<size_t>(i)];
        record->frameNumber = 0;
        record->length = 0;
    }

    FrameEncoding encoding;
    encoding.framePixels = request.framePixels;
    encoding.screenMode = request.screenMode;
    encoding.inks = request.inks;
    encoding.bytesPerLine = static_cast<int32_t>(std::clamp<int64_t>(2 * static_cast<int64_t>(request.crtcR1), 0,
                                                                     ScreenBytes));
    encoding.linear = request.linear;

    const bool screenDelta = request.spriteLayout == 0 && !request.pointsExport;
    if (request.spriteLayout != 0)
        extractSprite(images, encoding, record, request.background, request.sizeOnlyHeader, request.spriteLayout);
    else if (request.pointsExport)
        extractPoints(images, encoding, record);
    else
        extractScreenDelta(images, encoding, record, request.baseAddress, request.background);

    if (record == nullptr) return 0;

    const int32_t length = record->length;
    record->frameNumber = i;
    int32_t result = length;
    // Only a screen delta has a compressed form. The run refuses compression
    // with sprite and point exports; asked anyway, those are stored as they are.
    if (request.compress && screenDelta) {
        result = compressDelta(*record);
        messages.addLine(formatLine("Frame %3d Taille=%d (cmp=%d)", i, length, result));
    } else {
        messages.addLine(formatLine("Frame %3d Taille=%d", i, length));
    }

    if (request.writeScr && !exportPrefix_.empty() &&
        !writeFrameScr(exportPrefix_, i, request.screenMode, request.inks, images.currentImage))
        reportFileError(messages, frameScrPath(exportPrefix_, i));

    if (dataFile_ != nullptr && !storeRecord(*record, i, request, messages)) return 0;
    return result;
}

}  // namespace volumix
