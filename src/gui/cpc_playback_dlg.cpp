#include "gui/cpc_playback_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "cpc/show_frame.h"
#include "export/gif_preview.h"
#include "export/player_binary.h"
#include "gui/cost_chart.h"
#include "gui/dialog_template.h"
#include "gui/failure_text.h"
#include "gui/frame_canvas.h"
#include "gui/prompts.h"
#include "platform/file_io.h"
#include "platform/french_texts.h"

namespace volumix {

static_assert(french::numberAfter(french::AutomaticRateTooFew, "les ") == PlayerRateMax);

namespace {

QString qtext(const std::string& line) { return QString::fromStdString(line); }

const char* plural(int32_t count) { return count > 1 ? "s" : ""; }

std::string utf8(const QString& text) { return text.toStdString(); }

// The dearest frame of a replay by its cost.
const ReplayFrame* dearestFrame(const ReplayReport& report) {
    const ReplayFrame* dearest = nullptr;
    for (const ReplayFrame& frame : report.frames)
        if (dearest == nullptr || frame.nops > dearest->nops) dearest = &frame;
    return dearest;
}

}  // namespace

QString frenchNumber(int64_t value) {
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QChar(0x00A0));
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

CCpcPlaybackDlg::CCpcPlaybackDlg(CPlaybackRuns& runs, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), runs_(runs), prompts_(prompts) {
    setWindowTitle(QStringLiteral("Lecture CPC"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setDialogSize(*this, 520, 388);
    surface_.create(FrameWidth, FrameHeight);
    buildControls();
    // The monitor's pace: one picture per 50 Hz frame.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, &CCpcPlaybackDlg::showNextPicture);
    // The rate the run was made for (the window's runs are made for one
    // sync a frame).
    rate_->setCurrentIndex(std::clamp(runs_.lastPlayableRun().parameters.format.rate, 1, PlayerRateMax));
    connect(rate_, &QComboBox::currentIndexChanged, this, &CCpcPlaybackDlg::OnRate);
    load();
}

CCpcPlaybackDlg::~CCpcPlaybackDlg() = default;

void CCpcPlaybackDlg::buildControls() {
    canvas_ = new CFrameCanvas(surface_, FrameViewScaleX, FrameViewScaleY, this);
    canvas_->move(dluRect(4, 4, 0, 0).topLeft());
    chart_ = placeControl(new CCostChart(this), 0, 4, 254, 512, 64);
    frameCost_ = placeControl(new QLabel(this), IdFrameCostLabel, 4, 321, 300, 8);
    torn_ = placeControl(new QLabel(this), IdTornLabel, 396, 321, 120, 8);
    torn_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    checked_ = placeControl(new QLabel(this), IdCheckedLabel, 4, 332, 512, 8);
    rateText_ = placeControl(new QLabel(this), IdRateLabel, 4, 343, 512, 8);

    placeControl(new QLabel(QStringLiteral("Cadence :"), this), 0, 4, 358, 34, 8);
    rate_ = placeControl(new QComboBox(this), IdPlaybackRate, 40, 356, 58, 12);
    rate_->addItem(QStringLiteral("automatique"));
    for (int32_t rate = 1; rate <= PlayerRateMax; ++rate) rate_->addItem(QString::number(rate));
    doubleBuffer_ = placeControl(new QCheckBox(QStringLiteral("Double tampon"), this), IdPlaybackDoubleBuffer, 104, 357, 64, 10);
    status_ = placeControl(new QLabel(this), IdPlaybackStatus, 172, 358, 344, 8);

    saveSnapshot_ = placeControl(new QPushButton(QStringLiteral("Sauver snapshot"), this), IdSaveSnapshot, 4, 370, 66, 14);
    saveDisk_ = placeControl(new QPushButton(QStringLiteral("Sauver disquette"), this), IdSaveDisk, 74, 370, 66, 14);
    saveGif_ = placeControl(new QPushButton(QStringLiteral("Sauver GIF"), this), IdSaveGif, 144, 370, 50, 14);
    progress_ = placeControl(new QProgressBar(this), IdRerunProgress, 200, 372, 260, 10);
    progress_->setVisible(false);
    close_ = placeControl(new QPushButton(QStringLiteral("Fermer"), this), IdPlaybackClose, 466, 370, 50, 14);

    connect(chart_, &CCostChart::barHovered, this, &CCpcPlaybackDlg::OnBarHovered);
    connect(doubleBuffer_, &QAbstractButton::clicked, this, &CCpcPlaybackDlg::OnDoubleBuffer);
    connect(saveSnapshot_, &QAbstractButton::clicked, this, &CCpcPlaybackDlg::OnSaveSnapshot);
    connect(saveDisk_, &QAbstractButton::clicked, this, &CCpcPlaybackDlg::OnSaveDisk);
    connect(saveGif_, &QAbstractButton::clicked, this, &CCpcPlaybackDlg::OnSaveGif);
    connect(close_, &QAbstractButton::clicked, this, &QDialog::accept);
}

bool CCpcPlaybackDlg::load() {
    timer_.stop();
    const PlayableRun& run = runs_.lastPlayableRun();
    refusal_.clear();
    doubleBuffer_->setChecked(run.parameters.format.doubleBuffer);
    if (!wroteRunFiles(run)) {
        refusal_ = qtext(formatLine(french::PlaybackImpossible, french::NoFileWritten));
    } else if (const Failure failure = playback_.open(run, std::max(1, run.parameters.format.rate)); failure.failed()) {
        refusal_ = qtext(formatLine(french::PlaybackImpossible, utf8(failureText(failure)).c_str()));
    } else if (playback_.machine().frameCount == 0) {
        // Full memory at frame 0: the files hold no frame to play.
        refusal_ = qtext(formatLine(french::PlaybackImpossible, french::NoFrameStored));
    }
    if (!playable()) {
        showRefusal();
        return false;
    }
    setPlayableControls(true);
    applyRate();
    return playable();
}

void CCpcPlaybackDlg::showRefusal() {
    timer_.stop();
    monitor_ = MonitorPlayback{};
    pictureFrames_.clear();
    chart_->setReport(monitor_.report);
    for (QLabel* label : {frameCost_, torn_, checked_, rateText_}) label->clear();
    status_->setText(refusal_);
    picture_ = -1;
    surface_.fill(0);
    canvas_->showSurface();
    setPlayableControls(false);
}

void CCpcPlaybackDlg::setPlayableControls(bool playable) {
    for (QWidget* control : std::initializer_list<QWidget*>{rate_, saveSnapshot_, saveDisk_})
        control->setEnabled(playable && !busy_);
    // A run that stored no frame leaves no picture to write.
    saveGif_->setEnabled(playable && !busy_ && gifPreviewAvailable() && !monitor_.pictures.empty());
    // Double buffering makes the files again: it stays offered while the
    // run left files, whatever the player made of them.
    doubleBuffer_->setEnabled(wroteRunFiles(runs_.lastPlayableRun()) && !busy_);
    close_->setEnabled(!busy_);
}

void CCpcPlaybackDlg::applyRate() {
    automaticText_.clear();
    int32_t rate = rate_->currentIndex();
    if (rate == AutomaticRate) {
        Failure failure;
        const RateChoice choice = playback_.measureAutomaticRate(&failure);
        if (failure.failed()) {
            status_->setText(failureText(failure));
            rate = 1;
        } else {
            rate = choice.rate;
            automaticText_ = qtext(formatLine(french::AutomaticRateLine, choice.rate, plural(choice.rate),
                                               choice.dearestFrame, utf8(frenchNumber(choice.dearestNops)).c_str(),
                                               choice.fits ? "" : french::AutomaticRateTooFew));
        }
    }
    if (const Failure failure = playback_.setRate(rate); failure.failed()) {
        refusal_ = qtext(formatLine(french::PlaybackImpossible, utf8(failureText(failure)).c_str()));
        showRefusal();
        return;
    }
    replay();
}

void CCpcPlaybackDlg::replay() {
    timer_.stop();
    monitor_ = monitorPlaybackOf(playback_.machine(), runs_.lastPlayableRun().screens);
    pictureFrames_ = frameOfEachPicture(monitor_);
    loopRestart_ = loopRestartPicture(monitor_);
    chart_->setReport(monitor_.report);
    frameCost_->clear();

    const ReplayReport& report = monitor_.report;
    int32_t mismatches = 0;
    for (const ReplayFrame& frame : report.frames) mismatches += frame.matches ? 0 : 1;
    const int32_t checkedFrames = std::max<int32_t>(0, static_cast<int32_t>(report.frames.size()) - 1);
    checked_->setText(qtext(formatLine(french::CheckedFramesLine, checkedFrames, mismatches)));
    torn_->setText(qtext(formatLine(french::TornPicturesLine, monitor_.tornCount)));
    if (!automaticText_.isEmpty()) {
        rateText_->setText(automaticText_);
    } else if (const ReplayFrame* dearest = dearestFrame(report)) {
        const double perSecond = 1e6 / (static_cast<double>(NopsPerFrame) * report.rate);
        const QString speed = QString::number(perSecond, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
        rateText_->setText(qtext(formatLine(french::PlayedRateLine, report.rate, plural(report.rate),
                                             utf8(speed).c_str(), dearest->frame,
                                             utf8(frenchNumber(dearest->nops)).c_str())));
    } else {
        rateText_->clear();
    }
    status_->setText(report.failure.failed() ? failureText(report.failure) : QString());

    picture_ = -1;
    setPlayableControls(true);
    if (monitor_.pictures.empty()) return;
    showPicture(0);
    timer_.start();
}

void CCpcPlaybackDlg::decodePicture(const ScreenImage& picture, CDibSurface& target) const {
    const PlaybackSettings& settings = playback_.settings();
    CCpcScreen screen;
    screen.image = picture;
    screen.inks = settings.inks;
    screen.mode = settings.screenMode;
    decodeToFrame(screen, target.bits, settings.screenMode, settings.format.bytesPerLine(), false);
    CDeviceContext context(target);
    blackenOutsidePicture(context, settings.format.crtcR1);
}

void CCpcPlaybackDlg::showPicture(int32_t picture) {
    if (picture < 0 || picture >= static_cast<int32_t>(monitor_.pictures.size())) return;
    picture_ = picture;
    decodePicture(monitor_.pictures[static_cast<size_t>(picture)], surface_);
    canvas_->showSurface();
    chart_->setCurrentBar(pictureFrames_[static_cast<size_t>(picture)]);
}

void CCpcPlaybackDlg::showNextPicture() {
    if (monitor_.pictures.empty()) return;
    const int32_t next = picture_ + 1 < static_cast<int32_t>(monitor_.pictures.size()) ? picture_ + 1 : loopRestart_;
    showPicture(next);
}

void CCpcPlaybackDlg::setBusy(bool busy) {
    busy_ = busy;
    progress_->setVisible(busy);
    status_->setVisible(!busy);
    setPlayableControls(playable());
}

void CCpcPlaybackDlg::reject() {
    if (busy_) return;  // the run behind it still uses both windows
    QDialog::reject();
}

void CCpcPlaybackDlg::OnRate(int) {
    if (busy_ || !playable()) return;
    applyRate();
}

void CCpcPlaybackDlg::OnDoubleBuffer(bool on) {
    if (busy_) return;
    timer_.stop();
    setBusy(true);
    progress_->setValue(0);
    runs_.runAgain(on, [this](int32_t drawn, int32_t total) {
        progress_->setMaximum(std::max(1, total));
        progress_->setValue(std::min(drawn, total));
        progress_->setFormat(qtext(formatLine(french::RerunProgress, drawn, total)));
    });
    setBusy(false);
    load();
}

void CCpcPlaybackDlg::OnSaveSnapshot() {
    FileChoice choice = readOrSaveChoice(QStringLiteral("Snapshots CPC (*.sna *.SNA)"), QStringLiteral("sna"), true);
    const QString path = prompts_.chooseFile(this, choice);
    if (path.isEmpty()) return;
    const FileWriteResult written = writeFileReplacing(QFile::encodeName(path).toStdString(), playback_.snapshot());
    if (!written) {
        prompts_.tell(this, failureText(written.failure));
        return;
    }
    status_->setText(qtext(formatLine(french::FileWrittenLine, utf8(path).c_str())));
}

void CCpcPlaybackDlg::OnSaveDisk() {
    FileChoice choice = readOrSaveChoice(QStringLiteral("Disquettes CPC (*.dsk *.DSK)"), QStringLiteral("dsk"), true);
    const QString path = prompts_.chooseFile(this, choice);
    if (path.isEmpty()) return;
    std::vector<uint8_t> image;
    std::string name;
    if (const Failure failure = playback_.diskImage(image, &name); failure.failed()) {
        prompts_.tell(this, failureText(failure));
        return;
    }
    const FileWriteResult written = writeFileReplacing(QFile::encodeName(path).toStdString(), image);
    if (!written) {
        prompts_.tell(this, failureText(written.failure));
        return;
    }
    status_->setText(qtext(formatLine(french::DiskWrittenLine, utf8(path).c_str(), name.c_str())));
}

void CCpcPlaybackDlg::OnSaveGif() {
    FileChoice choice = readOrSaveChoice(QStringLiteral("Images GIF (*.gif *.GIF)"), QStringLiteral("gif"), true);
    const QString path = prompts_.chooseFile(this, choice);
    if (path.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // One GIF frame per 50 Hz frame of the monitor, 20 ms each, as the
    // command line's `verify --gif` writes them.
    GifPreviewWriter gif;
    CDibSurface frame;
    frame.create(FrameWidth, FrameHeight);
    const InkArray& inks = playback_.settings().inks;
    const int32_t r1 = playback_.settings().format.crtcR1;
    bool written = gif.open(QFile::encodeName(path).toStdString());
    for (size_t k = 0; written && k < monitor_.pictures.size(); ++k) {
        decodePicture(monitor_.pictures[k], frame);
        written = gif.addFrame(frame, inks, r1);
    }
    written = written && gif.finish();
    QApplication::restoreOverrideCursor();
    if (!written) {
        gif.abandon();
        prompts_.tell(this, failureText(gif.failure()));
        return;
    }
    status_->setText(qtext(formatLine(french::FileWrittenLine, utf8(path).c_str())));
}

void CCpcPlaybackDlg::OnBarHovered(int bar) {
    if (bar < 0 || bar >= static_cast<int>(monitor_.report.frames.size())) {
        frameCost_->clear();
        return;
    }
    const ReplayFrame& frame = monitor_.report.frames[static_cast<size_t>(bar)];
    const std::string cost = utf8(frenchNumber(frame.nops));
    const std::string budget = utf8(frenchNumber(chart_->budget()));
    frameCost_->setText(qtext(frame.loop ? formatLine(french::LoopFrameCostLine, cost.c_str(), budget.c_str())
                                          : formatLine(french::FrameCostLine, frame.frame, cost.c_str(), budget.c_str())));
}

}  // namespace volumix
