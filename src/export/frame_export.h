#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cpc/frame_extraction.h"
#include "export/message_sink.h"

namespace volumix {

// A run exports at most frames 0..359.
inline constexpr int32_t FrameStoreSize = 360;

// Main memory (bank 0) or the 16 KB banks 4..7 of a 128K machine, then the
// last part in main memory (bank 8).
inline constexpr uint8_t MainMemoryBank = 0;
inline constexpr uint8_t FirstExtraBank = 4;
inline constexpr uint8_t LastBank = 8;

// One frame as the run hands it over.
struct ExportFrameRequest {
    int32_t frameIndex = -1;        // -1: the pre-roll frame
    int32_t spriteLayout = 0;       // 0: no sprite export, else 1..3
    bool linear = false;            // "Mémoire Linéaire (R9=0)"
    bool sizeOnlyHeader = false;    // "Taille simple"
    bool pointsExport = false;
    bool compress = false;
    bool writeScr = false;
    const uint32_t* framePixels = nullptr;     // 768 x 200
    const ScreenImage* background = nullptr;   // when drawn over a background
    int32_t screenMode = 1;
    InkArray inks = DefaultInks;
    int32_t crtcR1 = 40;
    uint16_t baseAddress = 0xC000;
};

// The frame export of a run: the records of frames 0..359, the two screens
// kept across frames and runs, and the output files of the current bank.
// openExport, then exportFrame per frame (pre-roll included), closeExport.
class FrameExport {
public:
    FrameExport();
    ~FrameExport();
    FrameExport(const FrameExport&) = delete;
    FrameExport& operator=(const FrameExport&) = delete;

    std::vector<FrameRecord> records = std::vector<FrameRecord>(FrameStoreSize);
    ScreenImages images;

    // Prepares the run's output files named from `prefix` (none when empty).
    void openExport(const std::string& prefix, bool writeAsm, bool useBanks, int32_t firstFrame, int32_t frameStep,
                    MessageSink& messages);

    // Extracts, reports ("Frame %3d Taille=%d"), writes the .SCR and stores
    // the frame. Returns the bytes the frame adds, or 0 for the pre-roll and
    // when memory is full (then "Dépassement capacité mémoire !!!" and
    // "Nombre d'images générées : %d" are reported). An index past the store
    // (360 and over) has no record: nothing is done and 0 ends the run.
    int32_t exportFrame(const ExportFrameRequest& request, MessageSink& messages);

    // Completes the data file's header and the assembler source; closes all.
    void closeExport(MessageSink& messages);

    uint8_t currentBank() const { return currentBank_; }
    // Since openExport: whether a file of the run could not be created or
    // written, and the first such file with the system's reason.
    bool outputFailed() const { return outputFailed_; }
    const std::string& outputError() const { return outputError_; }
    int32_t framesStored() const { return framesStored_; }

    // For tests that need records of exact lengths: stores records[frameIndex]
    // as it stands, as exportFrame's last step does (nothing without an open
    // data file). False only when memory is full, or for an index outside
    // the store.
    bool storeRecordForTest(int32_t frameIndex, const ExportFrameRequest& request, MessageSink& messages);

private:
    // "Erreur de création du fichier %s" or "Erreur d'écriture du fichier %s";
    // the first failure of the run is kept with its reason.
    void reportFailure(MessageSink& messages, const std::string& path, bool creating);
    void reportFailure(MessageSink& messages, const std::string& path, bool creating, const std::string& reason);
    void openBankFiles(MessageSink& messages);
    void closeBankFiles(MessageSink& messages);
    void discardBankFiles();
    bool finishDataFile(MessageSink& messages);
    void closeAsmFile(MessageSink& messages);
    bool storeRecord(FrameRecord& record, int32_t frameIndex, const ExportFrameRequest& request,
                     MessageSink& messages);
    std::string bankSuffix() const;

    std::string exportPrefix_;
    bool useBanks_ = false;
    bool writeAsm_ = false;
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
    std::string outputError_;
};

}  // namespace volumix
