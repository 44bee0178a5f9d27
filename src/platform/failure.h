#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace volumix {

// What can go wrong, as codes: the core reports a code with its facts, and
// each front end words it, the command line in English and the window in
// French. A code added here must be worded in both (their switches have no
// default, so the compiler names a code left out).
enum FailureCode : int32_t {
    FailureNone = 0,
    // Files: `path`, and errno in `systemError`.
    FailureSystem,      // the system refused to open, read or write
    FailureIsFolder,    // a folder where a file was wanted
    FailureNotRegular,  // a device, pipe or socket
    FailureTooLarge,    // more than `count` bytes
    FailureNoFileName,
    // Contents of files we read.
    FailureTooManyPoints,       // more than `count` points
    FailureTooManyFaces,        // more than `count` faces
    FailureImporter,            // the mesh library's own words in `detail`
    FailureImporterStopped,     // crashed or aborted on the file
    FailureImporterTimeout,     // no answer within `count` seconds
    FailureImporterMissing,     // this build reads .asc files only
    FailurePlyHeaderUnended,    // a PLY header without end_header
    FailureNotScreen,           // no AMSDOS header and not 16384 bytes
    FailureNotDataFile,         // a data or index file of `count` bytes
    FailureIndexNotWhole,       // an index of partial 3-byte entries
    FailureIndexOutside,        // index entry `count` points outside its data
    FailureDataTooLarge,        // `count` bytes for the memory at [begin, end)
    FailureIndexTooLong,        // `count` entries from `begin` pass &FFFF
    FailureNotSnapshot,         // no "MV - SNA" signature
    FailureSnapshotMemory,      // a dump of `count` KB, neither 64 nor 128
    FailureSnapshotShort,       // shorter than its memory dump
    FailureNotOurPlayer,        // the snapshot does not start our player
    // Playing a run on the emulated Z80.
    FailurePlayerUnfinished,    // the player did not finish frame `count`
    FailurePlayerNeverStarted,  // the player never started a frame
    FailureEmulatorMissing,     // this build has no Z80 emulator
    // Making a disk image of a run.
    FailureNotAmsdosFile,       // a run file without an AMSDOS header
    FailureHeaderLength,        // the header says `count` bytes, the file holds `other`
    FailureFileNotAsPlaced,     // the file no longer holds what the run placed at `begin`
    FailureLoadOutsideWindow,   // a bank file loaded outside &4000-&7FFF
    FailureBankBytesUnbrought,  // bank page `count` holds bytes no run file brings
    FailureNoRoomForLoader,     // the loader needs about `count` KB below HIMEM
    FailureDiskFileName,        // `detail` is no CPC file name
    FailureDiskNameRepeated,    // two files named `detail`
    FailureDiskFull,            // the files need `count` KB of `other` (sizes)
    FailureDiskDirectoryFull,   // the files need `count` entries of `other` (sizes)
    // Writing the GIF preview.
    FailureGifEncoder,          // the GIF library's own words in `detail`
    FailureGifMissing,          // this build has no GIF support
    // What the player cannot play, and layouts that do not fit the CPC.
    FailurePointsNotPlayed,
    FailureSizeHeaderNotPlayed,
    FailureSpriteTooWide,       // sprite blocks with R1 `count` above 40
    FailureR1NotShown,          // R1 `count` shows no picture
    FailureRateOutOfRange,      // `count` vertical syncs per frame
    FailureLinearSnapshot,      // R9 = 0 cannot show 200 lines by registers
    FailureBanksHideScreen,     // with banks, a screen at &4000
    FailureReachesScreen,       // `area` at [begin, end) meets the screen at [otherBegin, otherEnd)
    FailureNoRoomForPlayer,     // `count` bytes of player and stack find no place
    // Double buffering.
    FailureNoSecondScreen,      // the data starting at `begin` lies in the screen at [otherBegin, otherEnd)
    FailureOddFrameCount,       // `count` frames: the loop's frame 0 would be drawn on the shown screen
    FailureSnapshotFrames,      // the snapshot's player lists `count` frames, more than a run stores
    FailureCodeCount            // keep last: the number of codes
};

// The part of a run's memory a layout failure names.
enum MemoryArea : int32_t {
    MemoryAreaNone = 0,
    MemoryAreaData,
    MemoryAreaLastBankData,  // bank 8's part, in main memory
    MemoryAreaIndex,
};

// What the user can change so that a layout fits.
enum LayoutAdvice : int32_t {
    LayoutAdviceNone = 0,
    LayoutAdviceShorterRun,
    LayoutAdviceBaseC000OrBanks,
    LayoutAdviceBase0000Or8000,
    LayoutAdviceBase0000,
};

// A failure and its facts; `code` is FailureNone when nothing went wrong.
struct Failure {
    FailureCode code = FailureNone;
    std::string path;
    int systemError = 0;
    int64_t count = 0;
    int64_t other = 0;   // a second number the code names
    std::string detail;  // words from a library we do not word ourselves, or a name
    // Files and their sizes in KB, for a disk that cannot hold them.
    std::vector<std::pair<std::string, int64_t>> sizes;
    MemoryArea area = MemoryAreaNone;
    uint32_t begin = 0, end = 0, otherBegin = 0, otherEnd = 0;
    LayoutAdvice advice = LayoutAdviceNone;

    bool failed() const { return code != FailureNone; }
};

inline Failure fileFailure(FailureCode code, std::string path, int systemError = 0) {
    Failure failure;
    failure.code = code;
    failure.path = std::move(path);
    failure.systemError = systemError;
    return failure;
}

// Fills `*out` when asked for: the core's functions take an optional place
// for the facts of their failure.
inline void report(Failure* out, Failure failure) {
    if (out != nullptr) *out = std::move(failure);
}

}  // namespace volumix
