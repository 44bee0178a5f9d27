#include "export/frame_export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "export/amsdos.h"
#include "export/asm_source.h"
#include "export/scr_file.h"
#include "platform/file_io.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

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

// The run's files are written unbuffered: every write reaches the system at
// once, so a failed one can be cut off again and nothing is left in a
// buffer to be written later.
std::FILE* createUnbuffered(const std::string& path) {
    std::FILE* file = createForWriting(path);
    if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

bool writeBytes(std::FILE* file, const void* bytes, size_t count) {
    return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

// Where a file ends now, to cut it back there when what follows fails.
long endOf(std::FILE* file) { return file == nullptr ? 0 : std::ftell(file); }

void cutBack(std::FILE* file, long end) {
    if (file == nullptr || end < 0) return;
    const int error = errno;  // keep the reason of the failure being undone
    if (truncateOpenFile(file, end)) std::fseek(file, end, SEEK_SET);
    errno = error;
}

}  // namespace

void FrameExport::reportFailure(MessageSink& messages, const std::string& path, bool creating) {
    // errno still tells why the open, write, flush or close just failed.
    reportFailure(messages, path, creating, fileFailure(FailureSystem, path, errno));
}

void FrameExport::reportFailure(MessageSink& messages, const std::string& path, bool creating,
                                const Failure& failure) {
    if (!outputFailed_) outputError_ = failure;
    outputFailed_ = true;
    messages.addLine(formatLine(creating ? french::CannotCreateFileLine : french::CannotWriteFileLine,
                                path.c_str()));
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

void FrameExport::openExport(const ExportFiles& files, const ExportFormat& format, int32_t firstFrame,
                             int32_t frameStep, MessageSink& messages) {
    // A run that was never closed still gets its headers and closing part
    // before its state is replaced.
    if (dataFile_ != nullptr || indexFile_ != nullptr || asmFile_ != nullptr) closeExport(messages);
    files_ = files;
    useBanks_ = format.banks;
    // A format that cannot be double buffered is refused before the run;
    // should one come here, it is exported single-buffered.
    if (runMemoryLayout(format, layout_).failed()) {
        ExportFormat single = format;
        single.doubleBuffer = false;
        runMemoryLayout(single, layout_);
    }
    images = ScreenImages{};
    secondImages = ScreenImages{};
    lastImages_ = &images;
    framesExported_ = 0;
    firstFrame_ = firstFrame;
    frameStep_ = frameStep;
    framesStored_ = 0;
    outputFailed_ = false;
    outputError_ = Failure{};
    currentBank_ = useBanks_ ? FirstExtraBank : MainMemoryBank;
    bankUsed_ = 0;
    bankCapacity_ = 0;
    nextLoadAddress_ = loadAddressOfBank(currentBank_);
    openBankFiles(messages);
    staleFilesToRemove_ = dataFile_ != nullptr;
}

void FrameExport::openBankFiles(MessageSink& messages) {
    if (files_.prefix.empty()) return;
    closeBankFiles(messages);

    const std::string suffix = bankSuffix();
    dataPath_ = files_.prefix + suffix;
    indexPath_ = dataPath_ + ".idx";
    asmPath_ = dataPath_ + ".asm";
    bankUsed_ = 0;
    nextLoadAddress_ = loadAddressOfBank(currentBank_);
    bankCapacity_ = isExtraBank(currentBank_) ? capacityOfBank(currentBank_) : layout_.largeCapacity;
    // A double-buffered run's index may lie elsewhere: its header says where.
    const uint16_t indexLoad = layout_.doubleBuffer ? layout_.indexAddress
                                                    : static_cast<uint16_t>(nextLoadAddress_ - IndexBelowData);

    // A bank needs all of its files: when one cannot be created or given its
    // header, none is kept (they would hold nothing) and the run ends.
    const auto create = [&](std::FILE*& file, const std::string& path) {
        if (outputFailed_) return;
        // Binary: the source's CR LF line ends are written as they are.
        file = createUnbuffered(path);
        if (file == nullptr) reportFailure(messages, path, true);
    };
    create(dataFile_, dataPath_);
    create(indexFile_, indexPath_);
    if (files_.writeAsm) create(asmFile_, asmPath_);
    if (!outputFailed_ && !writeAmsdosHeader(dataFile_, dataPath_, nextLoadAddress_, 0, 0, false))
        reportFailure(messages, dataPath_, false);
    if (!outputFailed_ &&
        !writeAmsdosHeader(indexFile_, indexPath_, indexLoad, IndexFileLength, 0, false))
        reportFailure(messages, indexPath_, false);
    if (outputFailed_) discardBankFiles();
}

void FrameExport::discardBankFiles() {
    std::error_code ignored;
    for (auto [file, path] : {std::pair{&dataFile_, &dataPath_}, {&indexFile_, &indexPath_}, {&asmFile_, &asmPath_}}) {
        if (*file == nullptr) continue;
        closeFile(*file);
        std::filesystem::remove(*path, ignored);
    }
}

bool FrameExport::finishDataFile(MessageSink& messages) {
    if (dataFile_ == nullptr) return true;
    if (!writeAmsdosHeader(dataFile_, dataPath_, loadAddressOfBank(currentBank_), static_cast<uint16_t>(bankUsed_), 0,
                           true)) {
        reportFailure(messages, dataPath_, false);
        return false;
    }
    return true;
}

void FrameExport::closeAsmFile(MessageSink& messages) {
    if (asmFile_ == nullptr) return;
    const long end = endOf(asmFile_);
    const std::string closing = asmClosing(records, framesStored_, firstFrame_, frameStep_, useBanks_);
    // Without its closing part the source still ends with a whole frame block.
    if (!writeBytes(asmFile_, closing.data(), closing.size())) {
        cutBack(asmFile_, end);
        reportFailure(messages, asmPath_, false);
    }
    if (!closeFile(asmFile_)) reportFailure(messages, asmPath_, false);
}

void FrameExport::closeBankFiles(MessageSink& messages) {
    if (dataFile_ != nullptr && !finishDataFile(messages)) {
        // A data file whose header does not give its length is of no use,
        // nor is the index into it.
        closeFile(dataFile_);
        closeFile(indexFile_);
        std::error_code ignored;
        std::filesystem::remove(dataPath_, ignored);
        std::filesystem::remove(indexPath_, ignored);
    }
    if (!closeFile(dataFile_)) reportFailure(messages, dataPath_, false);
    if (!closeFile(indexFile_)) reportFailure(messages, indexPath_, false);
    closeAsmFile(messages);
}

void FrameExport::closeExport(MessageSink& messages) {
    closeBankFiles(messages);
    removeStaleFiles();
}

void FrameExport::removeStaleFiles() {
    if (!staleFilesToRemove_) return;
    staleFilesToRemove_ = false;
    // The prefix's data, index and source files are the last run's only: an
    // earlier run's bank files (or its main-memory ones after a banked run)
    // would be read back as part of this run by verify, the snapshot and the
    // disk.
    std::error_code ignored;
    const auto remove = [&](const std::string& data, bool keepData, bool keepAsm) {
        if (!keepData) {
            std::filesystem::remove(data, ignored);
            std::filesystem::remove(data + ".idx", ignored);
        }
        if (!keepAsm) std::filesystem::remove(data + ".asm", ignored);
    };
    remove(files_.prefix, !useBanks_, !useBanks_ && files_.writeAsm);
    for (uint8_t bank = FirstExtraBank; bank <= LastBank; ++bank) {
        const bool written = useBanks_ && bank <= currentBank_;
        remove(files_.prefix + formatLine(".C%d", bank), written, written && files_.writeAsm);
    }
}

bool FrameExport::storeRecord(FrameRecord& record, int32_t frameIndex, const ExportFormat& format,
                              MessageSink& messages) {
    const int32_t n = record.length;
    // A frame larger than a bank moves on until one holds it; it is never
    // written past a bank's capacity.
    while (bankUsed_ + n > bankCapacity_) {
        if (!isExtraBank(currentBank_)) {
            finishDataFile(messages);
            messages.addLine(std::string(french::MemoryFullLine));
            messages.addLine(formatLine(french::FramesMadeLine, framesStored_));
            return false;
        }
        closeBankFiles(messages);
        ++currentBank_;
        openBankFiles(messages);
        if (dataFile_ == nullptr) return false;  // reported; the run ends
    }

    // The record is stored only when its data, its index entry and its
    // source block are all written; otherwise all three are cut back, so
    // every file still holds whole records only.
    const long dataEnd = endOf(dataFile_);
    const long indexEnd = endOf(indexFile_);
    const long asmEnd = endOf(asmFile_);
    const uint8_t entry[3] = {static_cast<uint8_t>(nextLoadAddress_), static_cast<uint8_t>(nextLoadAddress_ >> 8),
                              currentBank_};
    const std::string* failed = nullptr;
    if (!writeBytes(dataFile_, record.data.data(), static_cast<size_t>(n)))
        failed = &dataPath_;
    else if (indexFile_ != nullptr && !writeBytes(indexFile_, entry, sizeof entry))
        failed = &indexPath_;
    else if (asmFile_ != nullptr) {
        const std::string block = asmFrameBlock(record, frameIndex, format.sprite());
        if (!writeBytes(asmFile_, block.data(), block.size())) failed = &asmPath_;
    }
    if (failed != nullptr) {
        cutBack(dataFile_, dataEnd);
        cutBack(indexFile_, indexEnd);
        cutBack(asmFile_, asmEnd);
        reportFailure(messages, *failed, false);
        return false;
    }
    record.bank = currentBank_;
    nextLoadAddress_ = static_cast<uint16_t>(nextLoadAddress_ + n);
    bankUsed_ += n;
    ++framesStored_;
    return true;
}

bool FrameExport::storeRecordForTest(int32_t frameIndex, const ExportFormat& format, MessageSink& messages) {
    if (frameIndex < 0 || frameIndex >= FrameStoreSize) return false;
    if (dataFile_ == nullptr) return true;
    return storeRecord(records[static_cast<size_t>(frameIndex)], frameIndex, format, messages);
}

int32_t FrameExport::exportFrame(const FramePicture& picture, const ExportFormat& format, MessageSink& messages) {
    const int32_t i = picture.frameIndex;
    // Frames 0..359 have a record; a larger index must never reach past the
    // store. Such a frame is refused whole, and its 0 ends the run.
    if (i >= FrameStoreSize) return 0;

    FrameRecord* record = nullptr;
    if (i >= 0) {
        record = &records[static_cast<size_t>(i)];
        record->frameNumber = 0;
        record->length = 0;
    }
    // The screen the frame is drawn on: its own images and base address.
    int32_t screen = 0;
    if (layout_.doubleBuffer) screen = i >= 0 ? framesExported_ % 2 : (i == -1 ? 1 : 0);
    ScreenImages& against = screen == 0 ? images : secondImages;
    lastImages_ = &against;

    FrameEncoding encoding;
    encoding.framePixels = picture.framePixels;
    encoding.screenMode = picture.screenMode;
    encoding.inks = picture.inks;
    encoding.bytesPerLine =
        static_cast<int32_t>(std::clamp<int64_t>(2 * static_cast<int64_t>(format.crtcR1), 0, ScreenBytes));
    encoding.linear = format.linear;

    if (const SpriteFrames* sprite = format.sprite())
        extractSprite(against, encoding, record, picture.background, sprite->sizeOnlyHeader, sprite->layout);
    else if (format.points())
        extractPoints(against, encoding, record);
    else
        extractScreenDelta(against, encoding, record,
                           layout_.doubleBuffer ? layout_.screens[static_cast<size_t>(screen)] : format.baseAddress,
                           picture.background);

    if (record == nullptr) return 0;
    ++framesExported_;

    const int32_t length = record->length;
    record->frameNumber = i;
    int32_t result = length;
    if (format.compressed()) {
        result = compressDelta(*record);
        messages.addLine(formatLine(french::CompressedFrameSizeLine, i, length, result));
    } else {
        messages.addLine(formatLine(french::FrameSizeLine, i, length));
    }

    if (files_.writeScr && !files_.prefix.empty()) {
        const FileWriteResult written =
            writeFrameScr(files_.prefix, i, picture.screenMode, picture.inks, against.currentImage);
        if (!written)
            reportFailure(messages, frameScrPath(files_.prefix, i), written.status == FileCreateFailed,
                          written.failure);
    }

    // Once a file of the run failed, nothing more is stored or counted.
    if (dataFile_ == nullptr && outputFailed_) return 0;
    if (dataFile_ != nullptr && !storeRecord(*record, i, format, messages)) return 0;
    return result;
}

}  // namespace volumix
