// The GIF writer proper, on giflib; built only with VOLUMIX_WITH_GIF (the
// Windows cross-build has no giflib).
#include <gif_lib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "export/gif_preview.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

constexpr int GifColourResolution = 8;  // bits per primary of the inks' colours

ColorMapObject* makeColourMap(const GifPalette& palette) {
    GifColorType colours[GifPaletteSize];
    for (size_t k = 0; k < palette.size(); ++k)
        colours[k] = {static_cast<GifByteType>(palette[k] >> 16), static_cast<GifByteType>(palette[k] >> 8),
                      static_cast<GifByteType>(palette[k])};
    return GifMakeMapObject(GifPaletteSize, colours);
}

}  // namespace

struct GifPreviewWriter::Encoder {
    std::filesystem::path path;
    std::filesystem::path temporary;
    std::FILE* file = nullptr;
    GifFileType* gif = nullptr;
    bool screenWritten = false;
    bool discarding = false;  // closing an abandoned file: nothing more is written
    int writeError = 0;       // errno of the first failed write
    GifPalette globalPalette{};
    CDibSurface scratch;
    std::vector<uint8_t> entries;

    // giflib's output: a short count makes the library call fail.
    static int write(GifFileType* gif, const GifByteType* bytes, int count) {
        auto* self = static_cast<Encoder*>(gif->UserData);
        if (self->discarding || self->writeError != 0) return 0;
        errno = 0;
        if (std::fwrite(bytes, 1, static_cast<size_t>(count), self->file) != static_cast<size_t>(count)) {
            self->writeError = errno != 0 ? errno : EIO;
            return 0;
        }
        return count;
    }

    // The library's word, or the system's when a write failed under it.
    Failure reason(int gifError) const {
        if (writeError != 0) return fileFailure(FailureSystem, path.string(), writeError);
        Failure failure = fileFailure(FailureGifEncoder, path.string());
        const char* text = GifErrorString(gifError);
        failure.detail = text != nullptr ? text : "GIF error " + std::to_string(gifError);
        return failure;
    }

    // Logical screen, global colour table, then the looping extension, which
    // must come before the first image.
    int writeScreen(const GifPalette& palette) {
        ColorMapObject* map = makeColourMap(palette);
        if (map == nullptr) return E_GIF_ERR_NOT_ENOUGH_MEM;
        const int written =
            EGifPutScreenDesc(gif, GifPreviewWidth, GifPreviewHeight, GifColourResolution, GifBlackEntry, map);
        GifFreeMapObject(map);
        if (written == GIF_ERROR) return gif->Error;
        static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType loopForever[] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof netscape, netscape) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof loopForever, loopForever) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif) == GIF_ERROR)
            return gif->Error;
        globalPalette = palette;
        screenWritten = true;
        return E_GIF_SUCCEEDED;
    }

    int writeImage(const GifPalette& palette) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = GifPreviewDelay;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_ERROR)
            return gif->Error;
        ColorMapObject* local = palette == globalPalette ? nullptr : makeColourMap(palette);
        const int described = EGifPutImageDesc(gif, 0, 0, GifPreviewWidth, GifPreviewHeight, false, local);
        if (local != nullptr) GifFreeMapObject(local);
        if (described == GIF_ERROR) return gif->Error;
        // The preview shows each frame line twice.
        for (int32_t y = 0; y < FrameHeight; ++y) {
            GifPixelType* line = entries.data() + static_cast<size_t>(y) * FrameWidth;
            for (int32_t copy = 0; copy < FrameViewScaleY; ++copy)
                if (EGifPutLine(gif, line, FrameWidth) == GIF_ERROR) return gif->Error;
        }
        return E_GIF_SUCCEEDED;
    }

    // Closes the library's state and the file; false when anything failed.
    bool close(int& gifError) {
        bool ok = true;
        if (gif != nullptr) {
            ok = EGifCloseFile(gif, &gifError) != GIF_ERROR;
            gif = nullptr;
        }
        if (file != nullptr) {
            if (std::fclose(file) != 0 && writeError == 0 && !discarding) writeError = errno;
            file = nullptr;
        }
        return ok && writeError == 0;
    }

    void removeTemporary() {
        std::error_code ignored;
        if (!temporary.empty()) std::filesystem::remove(temporary, ignored);
        temporary.clear();
    }
};

bool gifPreviewAvailable() { return true; }

GifPreviewWriter::GifPreviewWriter() = default;

GifPreviewWriter::~GifPreviewWriter() { abandon(); }

bool GifPreviewWriter::open(const std::filesystem::path& path) {
    abandon();
    failure_ = Failure{};
    framesWritten_ = 0;
    auto encoder = std::make_unique<Encoder>();
    encoder->path = path;
    // The GIF grows under a temporary name and is renamed only once whole.
    const int fd = createTemporaryBeside(path, encoder->temporary);
    if (fd < 0) {
        failure_ = fileFailure(FailureSystem, path.string(), errno);
        return false;
    }
    encoder->file = ::fdopen(fd, "wb");
    if (encoder->file == nullptr) {
        failure_ = fileFailure(FailureSystem, path.string(), errno);
        ::close(fd);
        encoder->removeTemporary();
        return false;
    }
    int error = 0;
    encoder->gif = EGifOpen(encoder.get(), &Encoder::write, &error);
    encoder_ = std::move(encoder);
    if (encoder_->gif == nullptr) {
        failure_ = encoder_->reason(error);
        abandon();
        return false;
    }
    EGifSetGifVersion(encoder_->gif, true);  // GIF89a: delays and looping
    return true;
}

bool GifPreviewWriter::addFrame(const CDibSurface& frame, const InkArray& inks, int32_t crtcR1) {
    if (encoder_ == nullptr || failed()) return false;
    if (frame.width != FrameWidth || frame.height != FrameHeight || frame.bits == nullptr) {
        failure_ = fileFailure(FailureGifEncoder, encoder_->path.string());
        failure_.detail = "the frame is not " + std::to_string(FrameWidth) + " x " + std::to_string(FrameHeight);
        return false;
    }
    Encoder& e = *encoder_;
    const GifPalette palette = gifPaletteOfInks(inks);
    previewEntries(frame, crtcR1, palette, e.scratch, e.entries);
    int error = e.screenWritten ? E_GIF_SUCCEEDED : e.writeScreen(palette);
    if (error == E_GIF_SUCCEEDED) error = e.writeImage(palette);
    if (error != E_GIF_SUCCEEDED) {
        failure_ = e.reason(error);
        return false;
    }
    ++framesWritten_;
    return true;
}

bool GifPreviewWriter::finish() {
    if (encoder_ == nullptr) return false;
    Encoder& e = *encoder_;
    int error = E_GIF_SUCCEEDED;
    // A run that drew nothing still makes a readable (empty) GIF.
    if (!failed() && !e.screenWritten) error = e.writeScreen(GifPalette{});
    if (!failed() && error != E_GIF_SUCCEEDED) failure_ = e.reason(error);
    const bool closed = e.close(error);
    if (!failed() && !closed) failure_ = e.reason(error);
    if (!failed()) {
        std::error_code renameError;
        std::filesystem::rename(e.temporary, e.path, renameError);
        if (renameError) failure_ = fileFailure(FailureSystem, e.path.string(), renameError.value());
        else e.temporary.clear();
    }
    e.removeTemporary();
    encoder_.reset();
    return !failed();
}

void GifPreviewWriter::abandon() {
    if (encoder_ == nullptr) return;
    encoder_->discarding = true;
    int ignored = 0;
    encoder_->close(ignored);
    encoder_->removeTemporary();
    encoder_.reset();
}

}  // namespace volumix
