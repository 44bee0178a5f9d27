#include "harnesses.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "app/run_setup.h"
#include "cpc/amsdos_checksum.h"
#include "cpc/screen_codec.h"
#include "export/amsdos.h"
#include "export/beam_replay.h"
#include "export/cpc_snapshot.h"
#include "export/frame_export.h"
#include "mesh/mesh_object.h"
#include "platform/device_context.h"
#include "platform/dib_surface.h"
#include "platform/french_texts.h"
#include "render/renderer.h"
#include "sequence/sequence_csv.h"
#include "sprites/sprite_bank.h"

namespace volumix {

namespace {

// A broken property must stop libFuzzer and fail the replay test alike.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

// Reads the input front to back; past its end every read gives zeros, so any
// input, however short, describes a complete case.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t u8() { return position_ < size_ ? data_[position_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
    uint64_t u64() { return u32() | (static_cast<uint64_t>(u32()) << 32); }
    int32_t s16() { return static_cast<int16_t>(u16()); }
    bool flag() { return (u8() & 1) != 0; }
    // lo..hi, for spans of at most 256 values.
    int32_t inRange(int32_t lo, int32_t hi) { return lo + u8() % (hi - lo + 1); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

class CollectingSink : public MessageSink {
public:
    std::vector<std::string> lines;
    void addLine(const std::string& line) override { lines.push_back(line); }
};

// A scratch file of this process: the path-based loaders read the input from
// it. The process id keeps parallel fuzzers and test processes apart.
class ScratchFile {
public:
    explicit ScratchFile(const char* tag)
        : path_(std::filesystem::temp_directory_path() /
                ("volumix_fuzz_" + std::to_string(::getpid()) + "_" + tag)) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& write(std::span<const uint8_t> bytes) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        FUZZ_CHECK(std::fclose(file) == 0 && written);
        return path_;
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The 27 colours are exactly the pixels whose three components each take
// one of the levels 0x00, 0x7F, 0xFE.
bool isHardwareColourPixel(uint32_t pixel) {
    const auto level = [](uint32_t c) { return c == 0x00 || c == 0x7F || c == 0xFE; };
    return (pixel >> 24) == 0 && level((pixel >> 16) & 0xFF) && level((pixel >> 8) & 0xFF) && level(pixel & 0xFF);
}

// ---- screens ----

// A header whose checksum bytes hold whatever sum the other bytes give.
void writeValidChecksum(uint8_t* header) {
    const uint16_t sum = amsdosChecksum(header);
    header[AmsdosChecksummedBytes] = static_cast<uint8_t>(sum & 0xFF);
    header[AmsdosChecksummedBytes + 1] = static_cast<uint8_t>(sum >> 8);
}

// The header test of the .SCR reader: the checksum holds and the bytes are
// not all zeros.
bool headerAccepted(const uint8_t* header) {
    const bool allZero =
        std::all_of(header, header + AmsdosChecksummedBytes, [](uint8_t byte) { return byte == 0; });
    return !allZero && amsdosChecksumValid(header);
}

// What an image holds before a file is read over it: a short file must
// leave the rest of it as it was.
void fillStaleImage(ScreenImage& image) {
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
}

constexpr uint32_t UntouchedPixel = 0xDEADBEEF;

void markFrameUntouched(std::vector<uint32_t>& frame) { std::fill(frame.begin(), frame.end(), UntouchedPixel); }

bool frameUntouched(const std::vector<uint32_t>& frame) {
    return std::all_of(frame.begin(), frame.end(), [](uint32_t p) { return p == UntouchedPixel; });
}

bool sameShownColumns(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int32_t shownColumns) {
    for (int32_t y = 0; y < FrameHeight; ++y) {
        const size_t line = static_cast<size_t>(y) * FrameWidth;
        if (!std::equal(a.begin() + line, a.begin() + line + shownColumns, b.begin() + line)) return false;
    }
    return true;
}

// Every decoded or blackened column shows one of the 27 colours, and each
// pixel of the mode is `group` columns of one colour.
void checkDecodedFrame(const uint32_t* frame, int32_t shownColumns, int32_t group) {
    for (int32_t y = 0; y < FrameHeight; ++y) {
        const uint32_t* line = frame + static_cast<size_t>(y) * FrameWidth;
        for (int32_t x = 0; x < shownColumns; ++x) {
            FUZZ_CHECK(isHardwareColourPixel(line[x]));
            FUZZ_CHECK(line[x] == line[x - x % group]);
        }
    }
}

// ---- sprites ----

// The bank holds the file's first bytes masked to inks, and beyond the file
// what it held before.
void checkLoadedBank(const SpriteBank& bank, const std::vector<uint8_t>& file, uint8_t stale) {
    const size_t read = std::min(file.size(), static_cast<size_t>(SpriteBankBytes));
    for (size_t i = 0; i < bank.bytes.size(); ++i)
        FUZZ_CHECK(bank.bytes[i] == (i < read ? (file[i] & SpriteInkMask) : stale));
}

// ---- the run ----

double fuzzedCoordinate(ByteReader& in) {
    switch (in.u8() % 16) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -std::numeric_limits<double>::infinity();
        case 3: return std::ldexp(in.flag() ? -1.0 : 1.0, 900 + in.u8() % 124);  // up to near DBL_MAX
        case 4: return std::bit_cast<double>(in.u64());
        case 5: return std::ldexp(static_cast<double>(in.s16()), -1074);  // denormals
        default: return static_cast<double>(in.s16()) / 4.0;
    }
}

int32_t fuzzedIndex(ByteReader& in, int32_t vertexCount) {
    const uint8_t choice = in.u8();
    if (choice < 240) return choice % (vertexCount + 2) - (choice >= 224 ? 1 : 0);  // -1 and count too
    return static_cast<int32_t>(in.u32());
}

// Around a typical value, now and then anything at all.
int32_t fuzzedParameter(ByteReader& in, int32_t typical) {
    switch (in.u8() % 8) {
        case 0: return static_cast<int32_t>(in.u32());
        case 1: return in.flag() ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
        default: return static_cast<int32_t>(static_cast<uint32_t>(typical) + static_cast<uint32_t>(in.s16() / 64));
    }
}

SequenceFrame fuzzedFrame(ByteReader& in, const SequenceFrame& typical) {
    SequenceFrame frame;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) frame.field(k) = fuzzedParameter(in, typical.field(k));
    return frame;
}


// The settings a host hands the run before a frame, as the window could set
// them mid-run; R1 deliberately reaches past 1..64.
// What the window may change between frames.
FrameSettings fuzzedSettings(ByteReader& in, CCpcScreen* background) {
    FrameSettings settings;
    if (in.flag()) {
        for (int32_t& ink : settings.inks) ink = in.inRange(0, 31);  // 27..31 name no colour
    }
    settings.crtcR1 = in.inRange(-5, 70);
    settings.background = in.u8() % 4 == 0 ? background : nullptr;
    settings.spriteSize = in.inRange(-1, 17);
    settings.spriteCount = in.inRange(1, 256);
    return settings;
}

// The export choice, fixed for a run; the base address may be any word.
ExportFormat fuzzedFormat(ByteReader& in) {
    ExportFormat format;
    static constexpr uint16_t Bases[] = {0x0000, 0x4000, 0x8000, 0xC000};
    const uint8_t base = in.u8();
    format.baseAddress = base < 252 ? Bases[base % 4] : in.u16();
    const uint8_t layout = in.u8();
    format.linear = (layout & 1) != 0;
    format.doubleBuffer = (layout & 2) != 0;  // a bit older inputs left unread
    format.banks = in.flag();
    const auto kind = static_cast<ExportKind>(in.inRange(0, 2));
    const SpriteFrames sprite{static_cast<SpriteLayout>(in.inRange(SpriteLayoutLines, SpriteLayoutTwoColumns)),
                              in.flag()};
    format.frames = frameDataOf(kind, in.flag(), sprite);
    return format;
}

// The run's stores, with sprites and a background that are not blank.
std::unique_ptr<AppStores> makeRunStores() {
    auto stores = makeAppStores();
    for (size_t i = 0; i < stores->sprites.bytes.size(); ++i)
        stores->sprites.bytes[i] = static_cast<uint8_t>((i * 5 + i / 97) & 15);
    fillStaleImage(stores->background.image);
    return stores;
}

}  // namespace

int fuzzAscReader(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static MeshObject& mesh = *new MeshObject;
    const bool recentre = (data[0] & 1) != 0;
    const bool nearCapacity = (data[0] & 2) != 0;
    mesh.clear();
    if (nearCapacity) {
        // Zeros, so that recentring the whole table gives the same result
        // whatever an earlier input left in it.
        std::fill(mesh.vertices.begin(), mesh.vertices.end(), MeshVertex{});
        mesh.vertexCount = MeshCapacity - ((data[0] >> 2) & 7);
        mesh.faceCount = MeshCapacity - ((data[0] >> 5) & 7);
    }
    const int32_t verticesBefore = mesh.vertexCount;
    const int32_t facesBefore = mesh.faceCount;

    const AscLoadResult result = loadAscBytes(mesh, std::span(data + 1, size - 1), recentre);

    FUZZ_CHECK(result == AscOk || result == AscTooManyVertices || result == AscTooManyFaces);
    FUZZ_CHECK(mesh.vertexCount >= verticesBefore && mesh.vertexCount <= MeshCapacity);
    FUZZ_CHECK(mesh.faceCount >= facesBefore && mesh.faceCount <= MeshCapacity);
    if (result == AscTooManyVertices) FUZZ_CHECK(mesh.vertexCount == MeshCapacity);
    if (result == AscTooManyFaces) FUZZ_CHECK(mesh.faceCount == MeshCapacity);
    return 0;
}

int fuzzScreenReader(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const int32_t mode = in.u8() % 9 - 3;
    const int32_t bytesPerLine = in.u8() % 201;
    const uint8_t flags = in.u8();
    const bool takePalette = (flags & 1) != 0;
    const bool fixChecksum = (flags & 2) != 0;
    const bool alwaysExpand = (flags & 4) != 0;
    const bool callerInksFromHeader = (flags & 8) != 0;
    const bool compareWithLoader = (flags & 16) != 0;
    const bool reencode = (flags & 32) != 0;
    if (size < 3) return 0;

    // The file as the loader reads it: at most a header and a screen. One of
    // exactly a screen's size is a bare image.
    std::vector<uint8_t> file(data + 3, data + std::min<size_t>(size, 3 + AmsdosHeaderBytes + ScreenBytes));
    if (fixChecksum && file.size() >= AmsdosHeaderBytes) writeValidChecksum(file.data());
    const bool headerless = file.size() == static_cast<size_t>(ScreenBytes);
    const bool accepted = headerless || (file.size() >= AmsdosHeaderBytes && headerAccepted(file.data()));
    const size_t imageStart = headerless ? 0 : std::min<size_t>(file.size(), AmsdosHeaderBytes);

    InkArray callerInks = DefaultInks;
    if (callerInksFromHeader && file.size() >= AmsdosHeaderBytes) {
        for (int32_t k = 0; k < InkCount; ++k) callerInks[k] = file[100 + k] % 32;
    }

    static CCpcScreen& screen = *new CCpcScreen;
    static std::vector<uint32_t>& frame = *new std::vector<uint32_t>(FramePixelCount);
    fillStaleImage(screen.image);
    screen.inks = callerInks;
    screen.mode = 0;
    std::copy(file.begin() + static_cast<std::ptrdiff_t>(imageStart), file.end(), screen.image.begin());
    const bool mjh = screen.image[0] == 'M' && screen.image[1] == 'J' && screen.image[2] == 'H';
    if (accepted && (mjh || alwaysExpand)) decompressMjh(screen.image);

    if (compareWithLoader) {
        // The loader reads the same bytes from a file and must end with the
        // same image, inks and mode.
        static ScratchFile scratch("scr");
        static CCpcScreen& loaded = *new CCpcScreen;
        fillStaleImage(loaded.image);
        loaded.mode = 0;
        int32_t modeResult = -99;
        Failure failure;
        const ScrLoadResult result =
            loadScr(loaded, scratch.write(file), modeResult, callerInks, takePalette, &failure);
        FUZZ_CHECK(result == (accepted ? ScrOk : ScrBadHeader));
        FUZZ_CHECK(accepted || failure.code == FailureNotScreen);
        if (accepted && (mjh || !alwaysExpand)) {
            FUZZ_CHECK(loaded.image == screen.image);
            const bool palette = takePalette && hasEmbeddedPalette(loaded.image);
            const int32_t embeddedMode = loaded.image[PaletteModeOffset];
            FUZZ_CHECK(modeResult == (palette && isScreenMode(embeddedMode) ? embeddedMode : -99));
            for (int32_t k = 0; k < InkCount; ++k) {
                const int32_t embedded = loaded.image[PaletteInksOffset + k];
                const int32_t expected = palette ? (embedded < HardwareColourCount ? embedded : 0) : callerInks[k];
                FUZZ_CHECK(loaded.inks[k] == expected);
            }
        }
    }
    if (!accepted) return 0;

    markFrameUntouched(frame);
    decodeToFrame(screen, frame.data(), mode, bytesPerLine, takePalette);

    const int32_t decodedMode = takePalette && hasEmbeddedPalette(screen.image) ? screen.mode : mode;
    if (!isScreenMode(decodedMode)) {
        FUZZ_CHECK(frameUntouched(frame));
        return 0;
    }
    checkDecodedFrame(frame.data(), 8 * std::min(bytesPerLine, FrameBytesPerLine), widenGroupOfMode(decodedMode));

    // Lines of at most 80 bytes never share a byte, so what was decoded,
    // encoded again with the same inks, decodes to the same pixels.
    if (reencode && bytesPerLine <= 80) {
        static ScreenImage& encoded = *new ScreenImage;
        static std::vector<uint32_t>& again = *new std::vector<uint32_t>(FramePixelCount);
        encoded = screen.image;
        encodeScreen(frame.data(), encoded, decodedMode, screen.inks, bytesPerLine, false);
        CCpcScreen reread{encoded, screen.inks, decodedMode};
        markFrameUntouched(again);
        decodeToFrame(reread, again.data(), decodedMode, bytesPerLine, false);
        FUZZ_CHECK(sameShownColumns(frame, again, 8 * bytesPerLine));
    }
    return 0;
}

int fuzzSequenceCsv(const uint8_t* data, size_t size) {
    static ScratchFile scratch("csv");
    static ScratchFile exported("csv_out");
    static AnimationSequence& sequence = *new AnimationSequence;
    static AnimationSequence& reread = *new AnimationSequence;

    CollectingSink messages;
    FUZZ_CHECK(importSequenceCsv(sequence, scratch.write(std::span(data, size)), messages));
    FUZZ_CHECK(sequence.rowCount >= 0 && sequence.rowCount <= SequenceCapacity);
    FUZZ_CHECK(!messages.lines.empty() &&
               messages.lines.back() == formatLine(french::FramesImportedLine, sequence.rowCount));
    FUZZ_CHECK(messages.lines.size() <= 2);

    // Our own file of what was read reads back the same.
    CollectingSink roundTrip;
    FUZZ_CHECK(exportSequenceCsv(sequence, exported.path(), roundTrip));
    reread.rowCount = -1;
    FUZZ_CHECK(importSequenceCsv(reread, exported.path(), roundTrip));
    FUZZ_CHECK(reread.rowCount == sequence.rowCount);
    for (int32_t i = 0; i < sequence.rowCount; ++i) FUZZ_CHECK(reread.row(i) == sequence.row(i));
    return 0;
}

int fuzzSpriteBank(const uint8_t* data, size_t size) {
    static ScratchFile scratch("spt");
    static ScratchFile saved("spt_out");
    static SpriteBank& bank = *new SpriteBank;
    static SpriteBank& reread = *new SpriteBank;
    static CDibSurface& surface = *[] {
        auto* made = new CDibSurface;
        made->create(FrameWidth, FrameHeight);
        return made;
    }();

    std::vector<uint8_t> file(data, data + size);
    if (size > 0 && (data[0] & 0x80) != 0) {
        // Longer than the bank: only its first 131072 bytes count.
        while (file.size() <= static_cast<size_t>(SpriteBankBytes)) file.insert(file.end(), data, data + size);
    }
    constexpr uint8_t Stale = 0x07;
    std::fill(bank.bytes.begin(), bank.bytes.end(), Stale);
    bank.unsaved = true;
    FUZZ_CHECK(loadSpt(bank, scratch.write(file)) == SptOk);
    FUZZ_CHECK(!bank.unsaved);
    checkLoadedBank(bank, file, Stale);

    // The bank written and read again is the same bank.
    if (size > 0 && (data[0] & 0x40) != 0) {
        FUZZ_CHECK(saveSpt(bank, saved.path()));
        std::fill(reread.bytes.begin(), reread.bytes.end(), 0xFF);
        FUZZ_CHECK(loadSpt(reread, saved.path()) == SptOk);
        FUZZ_CHECK(reread.bytes == bank.bytes);
    }

    // One of its sprites drawn anywhere, any side, clipped to the surface
    // (over the earlier ones: only the clipping is checked, by ASan).
    ByteReader in(data, size);
    in.u8();
    const int32_t index = in.u8();
    const int32_t side = in.inRange(-1, 18);
    const int32_t x = fuzzedParameter(in, FrameWidth / 2);
    const int32_t y = fuzzedParameter(in, FrameHeight / 2);
    InkArray inks = DefaultInks;
    if (in.flag()) {
        for (int32_t& ink : inks) ink = in.inRange(0, 31);
    }
    drawSpriteAt(surface, x, y, in.flag() ? nullptr : bank.sprite(index), side, inks);
    return 0;
}

int fuzzGenerationRun(const uint8_t* data, size_t size) {
    static AppStores& stores = *makeRunStores().release();
    ByteReader in(data, size);

    MeshObject& mesh = stores.runMesh;
    mesh.vertexCount = in.inRange(0, 64);
    mesh.faceCount = in.inRange(0, 64);
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x = fuzzedCoordinate(in);
        v.y = fuzzedCoordinate(in);
        v.z = fuzzedCoordinate(in);
    }
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        MeshFace& f = mesh.faces[static_cast<size_t>(i)];
        f.a = fuzzedIndex(in, mesh.vertexCount);
        f.b = fuzzedIndex(in, mesh.vertexCount);
        f.c = fuzzedIndex(in, mesh.vertexCount);
    }

    RunParameters parameters;
    parameters.renderMode = static_cast<RenderMode>(in.inRange(0, RenderModeCount));  // one past the last too
    parameters.screenMode = in.inRange(0, 2);
    parameters.lineInk = maskPenInk(in.u8(), parameters.screenMode);
    parameters.fillInk = maskPenInk(in.u8(), parameters.screenMode);
    parameters.frameCount = in.inRange(1, 255) + in.inRange(0, 104);
    parameters.frameStep = in.inRange(0, 255);
    parameters.firstFrame = in.inRange(-1, 254);
    parameters.writeAsm = in.flag();
    parameters.format = fuzzedFormat(in);
    parameters.start = fuzzedFrame(in, parameters.start);
    parameters.increments = fuzzedFrame(in, parameters.increments);
    stores.sequence.clear();
    parameters.useSequence = in.flag();
    if (parameters.useSequence) {
        const int32_t rows = in.inRange(0, 4);
        for (int32_t i = 0; i < rows; ++i) stores.sequence.append(fuzzedFrame(in, parameters.start));
    }

    if (in.flag()) {
        for (size_t i = 0; i < stores.background.image.size(); i += 61) stores.background.image[i] = in.u8();
    }
    stores.background.inks = DefaultInks;

    // The run's own steps over the fuzzed mesh, nothing written, at most four
    // frames, each with settings the window could have changed.
    CollectingSink messages;
    RunSteps run(stores, mesh, parameters, messages);
    run.begin(fuzzedSettings(in, nullptr).inks);
    const int32_t frameCount = run.parameters().frameCount;
    int32_t totalBefore = 0;
    for (int32_t drawn = 0; drawn < 4 && !run.finished(); ++drawn) {
        const int32_t frameIndex = run.frameIndex();
        const FrameSettings settings = fuzzedSettings(in, &stores.background);
        run.drawFrame(settings);
        FUZZ_CHECK(stores.renderer.sortedFaceCount() >= 0 && stores.renderer.sortedFaceCount() <= mesh.faceCount);
        const FrameReport report = run.exportFrame(settings);
        FUZZ_CHECK(report.frameIndex == frameIndex && report.framesDrawn == drawn + 1);
        FUZZ_CHECK(!report.stored);  // no files: nothing goes into the data
        FUZZ_CHECK(report.totalBytes >= totalBefore && report.totalBytes - totalBefore <= FrameRecordCapacity);
        totalBefore = report.totalBytes;
        if (frameIndex >= 0)
            FUZZ_CHECK(stores.frameExport.records[static_cast<size_t>(frameIndex)].length <= FrameRecordCapacity);
        FUZZ_CHECK(run.finished() || run.frameIndex() < frameCount);
    }
    const RunResult result = run.end();
    FUZZ_CHECK(!result.outputFailed);
    FUZZ_CHECK(result.totalBytes >= 0);
    FUZZ_CHECK(result.outcome == RunCompleted || result.outcome == RunExportFailed);
    return 0;
}

// ---- snapshots and the replay ----

namespace {

// A small run of ours to corrupt: four frames of screen deltas (or sprite
// boxes), its data and index files with their headers, and its snapshot.
struct SnapshotCase {
    std::vector<uint8_t> snapshot, dataFile, indexFile;
    bool banks = false;
};

SnapshotCase makeSnapshotCase(uint8_t flags) {
    SnapshotCase made;
    PlaybackSettings settings;
    ExportFormat& format = settings.format;
    format.doubleBuffer = (flags & 1) != 0;
    format.banks = made.banks = (flags & 2) != 0;
    format.baseAddress = format.banks ? 0x0000 : 0xC000;
    if ((flags & 4) != 0) format.frames = DeltaFrames{true};
    if ((flags & 8) != 0) format.frames = SpriteFrames{static_cast<SpriteLayout>(1 + (flags >> 4) % 3), false};
    format.rate = 1 + (flags >> 6) % 2;
    const uint16_t load = format.banks ? 0x4000 : 0x0200;
    const uint8_t bank = format.banks ? 4 : 0;

    RunData data;
    data.banks = format.banks;
    std::vector<uint8_t>& bytes = format.banks ? data.bankData[0] : data.mainData;
    for (int32_t k = 0; k < 4; ++k) {
        const uint16_t at = static_cast<uint16_t>(load + bytes.size());
        for (uint8_t b : {uint8_t(at), uint8_t(at >> 8), bank}) data.index.push_back(b);
        if (format.sprite() != nullptr) {
            const int32_t x = 10 + 3 * k, y = 20 + 5 * k;
            for (int32_t b : {x, y, x + 2 + k, y + 9}) bytes.push_back(static_cast<uint8_t>(b));
            for (int32_t n = 0; n < (3 + k) * 10; ++n) bytes.push_back(static_cast<uint8_t>(n * 7 + k));
            continue;
        }
        const uint16_t screen = format.doubleBuffer && k % 2 == 1 ? (format.banks ? 0xC000 : 0x8000)
                                                                  : format.baseAddress;
        std::vector<uint8_t> delta;
        for (int32_t n = 0; n < 40; ++n) {
            const uint16_t address = static_cast<uint16_t>(screen + (n * 37 + k * 5) % 0x3F00);
            delta.insert(delta.end(), {uint8_t(address), uint8_t(address >> 8), uint8_t(n + k + 1)});
        }
        delta.insert(delta.end(), {0, 0});
        if (format.compressed()) {
            FrameRecord record;
            for (uint8_t b : delta) record.appendByte(b);
            compressDelta(record);
            delta.assign(record.data.begin(), record.data.begin() + record.length);
        }
        bytes.insert(bytes.end(), delta.begin(), delta.end());
    }
    CpcMachine machine;
    FUZZ_CHECK(!buildCpcMachine(settings, data, true, machine).failed());
    made.snapshot = buildSnapshot(machine);
    const auto withHeader = [](const std::vector<uint8_t>& body, uint16_t at) {
        const AmsdosHeader header = buildAmsdosHeader("ANIM", at, static_cast<uint16_t>(body.size()), 0);
        std::vector<uint8_t> file(header.begin(), header.end());
        file.insert(file.end(), body.begin(), body.end());
        return file;
    };
    made.dataFile = withHeader(bytes, load);
    made.indexFile = withHeader(data.index, machine.indexAddress);
    return made;
}

}  // namespace

int fuzzSnapshotReplay(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const uint8_t flags = in.u8();
    SnapshotCase run = makeSnapshotCase(flags);
    if (in.flag()) {
        // The rest of the input is the snapshot itself.
        run.snapshot.assign(data + std::min<size_t>(size, 2), data + size);
    } else {
        // Up to 64 bytes changed over the snapshot, the data and the index,
        // then each file cut short by up to 255 bytes.
        std::vector<uint8_t>* files[] = {&run.snapshot, &run.dataFile, &run.indexFile};
        const int32_t changes = in.inRange(0, 64);
        for (int32_t c = 0; c < changes; ++c) {
            std::vector<uint8_t>& file = *files[in.u8() % 3];
            const uint32_t at = in.u32();
            if (!file.empty()) file[at % file.size()] = in.u8();
        }
        for (std::vector<uint8_t>* file : files) file->resize(file->size() - std::min<size_t>(file->size(), in.u8()));
    }

    // What verify does with the files a user hands it.
    ScratchFile dataPath(run.banks ? "snap.C4" : "snap");
    ScratchFile indexPath(run.banks ? "snap.C4.idx" : "snap.idx");
    dataPath.write(run.dataFile);
    indexPath.write(run.indexFile);
    std::string prefix = dataPath.path().string();
    if (run.banks) prefix.resize(prefix.size() - 3);

    SnapshotInfo info;
    Failure failure = readSnapshot(run.snapshot, info);
    CpcMachine machine;
    if (!failure.failed()) failure = machineFromSnapshot(info, machine);
    if (!failure.failed()) {
        FUZZ_CHECK(machine.frameCount <= PlayerFramesMax);
        RunData files;
        failure = readRunData(prefix, files);
        if (!failure.failed()) {
            const uint16_t frames = machine.frameCount;
            overlayRunData(files, machine);
            machine.frameCount = frames;
        }
    }
    FUZZ_CHECK(failure.code >= FailureNone && failure.code < FailureCodeCount);
    if (failure.failed()) return 0;

    // A few frames at a few syncs each keep a case short: every frame is
    // bounded in time by the replay, and there are at most this many.
    machine.frameCount = std::min<uint16_t>(machine.frameCount, 6);
    uint8_t& rate = machine.ram[machine.playerAddress + size_t{PlayerRateParam}];
    rate = std::min<uint8_t>(rate, 3);
    machine.rate = rate;
    const std::vector<ScreenImage> expected(machine.frameCount);
    const MonitorPlayback playback = replayWithBeam(machine, expected, in.flag());
    const ReplayReport& report = playback.report;
    FUZZ_CHECK(report.frames.size() <= size_t{machine.frameCount} + 1);
    FUZZ_CHECK(report.failure.code >= FailureNone && report.failure.code < FailureCodeCount);
    for (const ReplayFrame& frame : report.frames) FUZZ_CHECK(frame.frame >= 0 && frame.frame < machine.frameCount);
    FUZZ_CHECK(playback.torn.size() == playback.pictures.size() && playback.tearLine.size() == playback.pictures.size());
    FUZZ_CHECK(playback.shownScreens.size() == playback.pictures.size());
    int32_t torn = 0;
    for (size_t k = 0; k < playback.pictures.size(); ++k) {
        torn += playback.torn[k];
        FUZZ_CHECK((playback.torn[k] != 0) == (playback.tearLine[k] >= 0) && playback.tearLine[k] < FrameHeight);
    }
    FUZZ_CHECK(torn == playback.tornCount);
    if (report.failure.failed()) FUZZ_CHECK(playback.pictures.empty());
    return 0;
}

}  // namespace volumix
