#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

#include "app/run_playback.h"
#include "gui/monitor_playback.h"
#include "platform/dib_surface.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace volumix {

class CCostChart;
class CFrameCanvas;
class CPrompts;

// Control ids of the "Lecture CPC" dialog (kept as object names, as in the
// main window).
enum CpcPlaybackControlId : int32_t {
    IdPlaybackRate = 2001,
    IdPlaybackDoubleBuffer = 2002,
    IdSaveSnapshot = 2003,
    IdSaveDisk = 2004,
    IdSaveGif = 2005,
    IdPlaybackClose = 2006,
    IdFrameCostLabel = 2007,
    IdTornLabel = 2008,
    IdCheckedLabel = 2009,
    IdRateLabel = 2010,
    IdPlaybackStatus = 2011,
    IdRerunProgress = 2012,
};

// The window's runs as the dialog sees them: the last one, and a way to make
// its files again with double buffering changed.
class CPlaybackRuns {
public:
    virtual ~CPlaybackRuns() = default;
    virtual const PlayableRun& lastPlayableRun() const = 0;
    // Runs the last run again, double buffering as asked, writing the same
    // files; `progress` gets (frames drawn, frames to draw) after each frame.
    virtual void runAgain(bool doubleBuffer, const std::function<void(int32_t, int32_t)>& progress) = 0;
};

// "Lecture CPC": the last run's files played as the CPC plays them, at 50 Hz
// and looping, over a chart of every frame's cost; the rate and double
// buffering can be changed, and the snapshot, the disk image and the GIF of
// what the monitor showed saved.
class CCpcPlaybackDlg : public QDialog {
    Q_OBJECT
public:
    // Rate choices: 0 is "automatique", then 1..PlayerRateMax.
    static constexpr int32_t AutomaticRate = 0;

    CCpcPlaybackDlg(CPlaybackRuns& runs, CPrompts& prompts, QWidget* parent = nullptr);
    ~CCpcPlaybackDlg() override;

    // Empty when the last run can be played; otherwise why not, in French.
    const QString& refusal() const { return refusal_; }
    bool playable() const { return refusal_.isEmpty(); }

    // For tests and tools.
    const MonitorPlayback& monitor() const { return monitor_; }
    const CCostChart& chart() const { return *chart_; }
    const CDibSurface& shownSurface() const { return surface_; }
    int32_t shownPicture() const { return picture_; }
    int32_t playedRate() const { return playback_.rate(); }
    bool busy() const { return busy_; }
    const QTimer& pace() const { return timer_; }
    // The timer's step: the next picture, from the last back to the loop's
    // start.
    void showNextPicture();

public slots:
    void reject() override;

private:
    void buildControls();
    // Opens the last run's files; false (and the refusal shown) when they
    // cannot be played.
    bool load();
    // Shows the refusal in place of the replay.
    void showRefusal();
    // Lays the files out at the rate chosen, then replays.
    void applyRate();
    void replay();
    void showPicture(int32_t picture);
    void setBusy(bool busy);
    void setPlayableControls(bool playable);
    void decodePicture(const ScreenImage& picture, CDibSurface& target) const;

    void OnRate(int index);
    void OnDoubleBuffer(bool on);
    void OnSaveSnapshot();
    void OnSaveDisk();
    void OnSaveGif();
    void OnBarHovered(int bar);

    CPlaybackRuns& runs_;
    CPrompts& prompts_;
    RunPlayback playback_;
    MonitorPlayback monitor_;
    std::vector<int32_t> pictureFrames_;  // each picture's bar
    int32_t loopRestart_ = 0;
    int32_t picture_ = -1;
    QString refusal_;
    QString automaticText_;
    bool busy_ = false;

    CDibSurface surface_;
    QTimer timer_;
    CFrameCanvas* canvas_ = nullptr;
    CCostChart* chart_ = nullptr;
    QLabel* frameCost_ = nullptr;
    QLabel* torn_ = nullptr;
    QLabel* checked_ = nullptr;
    QLabel* rateText_ = nullptr;
    QLabel* status_ = nullptr;
    QComboBox* rate_ = nullptr;
    QCheckBox* doubleBuffer_ = nullptr;
    QPushButton* saveSnapshot_ = nullptr;
    QPushButton* saveDisk_ = nullptr;
    QPushButton* saveGif_ = nullptr;
    QPushButton* close_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

// Numbers as French writes them: 23 456 (groups of three, a no-break space
// between them).
QString frenchNumber(int64_t value);

}  // namespace volumix
