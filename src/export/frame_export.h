#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cpc/frame_extraction.h"
#include "export/cpc_memory_map.h"
#include "export/export_format.h"
#include "export/message_sink.h"
#include "export/player_binary.h"
#include "export/run_layout.h"
#include "platform/failure.h"

namespace volumix {

// A run exports at most frames 0..359.
inline constexpr int32_t FrameStoreSize = 360;
static_assert(FrameStoreSize == PlayerFramesMax);

// The files a run writes beside the data and index files.
struct ExportFiles {
    std::string prefix;  // output base name; empty: nothing is written
    bool writeAsm = false;
    bool writeScr = false;
};

// One drawn frame as the run hands it over.
struct FramePicture {
    int32_t frameIndex = -1;                  // -1: the pre-roll frame
    const uint32_t* framePixels = nullptr;    // 768 x 200
    const ScreenImage* background = nullptr;  // when drawn over a background
    int32_t screenMode = 1;
    InkArray inks = DefaultInks;
};

// The frame export of a run: the records of frames 0..359, the two screens
// kept across the frames of a run, and the output files of the current bank.
// openExport, then exportFrame per frame (pre-roll included), closeExport.
class FrameExport {
public:
    FrameExport();
    ~FrameExport();
    FrameExport(const FrameExport&) = delete;
    FrameExport& operator=(const FrameExport&) = delete;

    std::vector<FrameRecord> records = std::vector<FrameRecord>(FrameStoreSize);
    // The screens the deltas are taken against: the base screen's, and with
    // double buffering the second screen's (frame k, in storing order, is
    // drawn on screen k mod 2, against the frame two earlier).
    ScreenImages images;
    ScreenImages secondImages;

    // Prepares the run's output files (none without a prefix). Every run
    // starts from empty screens, as a new program does, so its files never
    // depend on what an earlier run drew.
    void openExport(const ExportFiles& files, const ExportFormat& format, int32_t firstFrame, int32_t frameStep,
                    MessageSink& messages);

    // Extracts, reports ("Frame %3d Taille=%d"), writes the .SCR and stores
    // the frame. A double-buffered run has two pre-rolls: -2 for the base
    // screen (the next-to-last frame), then -1 for the second screen (the
    // last frame). Returns the bytes the frame adds, or 0 for the pre-roll and
    // when memory is full (then "Dépassement capacité mémoire !!!" and
    // "Nombre d'images générées : %d" are reported). An index past the store
    // (360 and over) has no record: nothing is done and 0 ends the run.
    int32_t exportFrame(const FramePicture& picture, const ExportFormat& format, MessageSink& messages);

    // The screen the last frame leaves on the CPC, as drawn: what the next
    // delta is taken against (a .SCR file stamps its palette into its own copy).
    const ScreenImage& drawnScreen() const { return lastImages_->previousImage; }

    // Where the run's screens, data and index lie (set by openExport).
    const RunMemoryLayout& layout() const { return layout_; }

    // Completes the data file's header and the assembler source; closes all.
    // The prefix's data, index and source files that this run did not write
    // (an earlier run's with other banks or options) are removed.
    void closeExport(MessageSink& messages);

    uint8_t currentBank() const { return currentBank_; }
    // Since openExport: whether a file of the run could not be created or
    // written, and the first such file with the system's reason.
    bool outputFailed() const { return outputFailed_; }
    const Failure& outputError() const { return outputError_; }
    int32_t framesStored() const { return framesStored_; }

    // For tests that need records of exact lengths: stores records[frameIndex]
    // as it stands, as exportFrame's last step does (nothing without an open
    // data file). False only when memory is full, or for an index outside
    // the store.
    bool storeRecordForTest(int32_t frameIndex, const ExportFormat& format, MessageSink& messages);

private:
    // "Erreur de création du fichier %s" or "Erreur d'écriture du fichier %s";
    // the first failure of the run is kept with its reason.
    void reportFailure(MessageSink& messages, const std::string& path, bool creating);
    void reportFailure(MessageSink& messages, const std::string& path, bool creating, const Failure& failure);
    void openBankFiles(MessageSink& messages);
    void closeBankFiles(MessageSink& messages);
    void discardBankFiles();
    void removeStaleFiles();
    bool finishDataFile(MessageSink& messages);
    void closeAsmFile(MessageSink& messages);
    bool storeRecord(FrameRecord& record, int32_t frameIndex, const ExportFormat& format, MessageSink& messages);
    std::string bankSuffix() const;

    ExportFiles files_;
    RunMemoryLayout layout_;
    const ScreenImages* lastImages_ = &images;
    int32_t framesExported_ = 0;  // pre-rolls left out: the position of the next frame
    bool useBanks_ = false;
    uint8_t currentBank_ = MainMemoryBank;
    int32_t bankUsed_ = 0;
    int32_t bankCapacity_ = 0;
    uint16_t nextLoadAddress_ = 0;
    int32_t framesStored_ = 0;
    int32_t firstFrame_ = 0;
    int32_t frameStep_ = 1;
    std::FILE* dataFile_ = nullptr;
    std::FILE* indexFile_ = nullptr;
    std::FILE* asmFile_ = nullptr;
    std::string dataPath_;
    std::string indexPath_;
    std::string asmPath_;
    bool outputFailed_ = false;
    Failure outputError_;
    bool staleFilesToRemove_ = false;
};

}  // namespace volumix
