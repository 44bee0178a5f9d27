#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_stores.h"
#include "app/generation_run.h"
#include "app/main_dialog_rules.h"
#include "app/run_playback.h"
#include "gui/cpc_playback_dlg.h"
#include "platform/pacing.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace volumix {

class CFrameCanvas;
class CPrompts;
class CSwatchFrame;

// The main window: every generation parameter, the preview, the inks, the
// message list, the run and the editors' buttons. Its parts live in three
// files: this one (layout, defaults, parameters), generator_dlg_run.cpp (the
// run) and generator_dlg_screen.cpp (screen, palette, background, export).
class CGeneratorDlg : public QDialog, public CPlaybackRuns {
    Q_OBJECT
public:
    CGeneratorDlg(AppStores& stores, CPrompts& prompts, QWidget* parent = nullptr);
    ~CGeneratorDlg() override;

    // The state the rules keep, for tests and tools.
    const InkArray& currentInks() const { return inks; }
    int32_t currentScreenMode() const { return screenMode; }
    int32_t currentCrtcR1() const { return crtcR1; }
    bool hasBackground() const { return backgroundLoaded != 0; }
    int32_t currentSpriteCount() const { return spriteCount; }

    // The widgets of a group of controls, as the enabling rules name them.
    std::vector<QWidget*> controlsOf(ControlGroup group) const;
    // A file given to the window (dropped, or named on its command line): a
    // mesh fills the object box, a screen becomes the background.
    void openFile(const QString& path);
    // What a script sets before a run: the render mode, as a click on its
    // radio would.
    void selectRenderMode(RenderMode mode);

    bool running() const { return running_; }
    const RunResult& lastRunResult() const { return lastRun_; }
    // What the "Lecture CPC" dialog plays: the last run's choices, screens
    // and files.
    const PlayableRun& lastPlayableRun() const override { return lastOutput_; }
    // The last run once more, with the choices and settings it started with
    // (not the controls' current ones) and double buffering as asked: the
    // same files as the command line with the same options. Not paced: the
    // window's events are handled between frames.
    void runAgain(bool doubleBuffer, const std::function<void(int32_t, int32_t)>& progress) override;
    const CFrameCanvas& preview() const { return *canvas_; }
    // The run's clock; tests give a fake one.
    void setClock(Clock& clock) { clock_ = &clock; }

    // Reads and clamps the numeric boxes and writes back what was understood.
    void readParameters();

    // "Démarrer": the whole run, pumping the window's events between frames.
    void OnStart();
    void OnStop();
    // "Lecture CPC": the last run's files played as the CPC plays them.
    void OnCpcPlayback();
    // ".SCR" once a file is chosen, and a screen file dropped on the window.
    void loadBackgroundFile(const QString& path);

signals:
    // After each frame of a run is exported (pre-roll included).
    void frameFinished(int framesDrawn, int frameIndex);
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public slots:
    void reject() override;

private:
    friend class CWindowRunHost;

    void buildParameterControls();
    void buildScreenControls();
    void buildSourceAndDestination();
    void buildObjectControls();
    void connectHandlers();
    void initialise();

    void OnSequenceEditor();
    void OnSpriteEditor();
    void OnObjectEditor();
    void OnObjectFile();
    void OnCpcFiles();
    void OnRenderMode(int32_t mode);
    void OnScreenMode(int32_t mode);
    void OnInkSwatch(int32_t ink);
    void OnBaseAddress(uint16_t address);
    void OnApplyR1();
    void OnBackgroundTick();
    void OnLoadScr();
    void OnLayout(int32_t layout);

    DialogTicks ticks() const;
    // Applies the dialog's enabling rules (outside a run).
    void applyRules();
    void lockControlsForRun();
    void unlockControlsAfterRun();
    FrameSettings currentFrameSettings() const;
    RunRequest runRequest() const;
    // A run of a request the rules were applied to. A rerun reads the
    // request's settings for every frame and does not wait between frames.
    struct RunManner {
        bool paced = true;
        bool fixedSettings = false;
        std::string gifPath;  // "Prévisualisation GIF": where the preview goes; empty: none
        std::function<void(int32_t, int32_t)> progress;
    };
    void executeRun(const RunRequest& request, const RunManner& manner);

    void clearFrame();
    // Blackens what the CPC does not show and repaints the preview.
    void showFrame();
    void paintSwatches();
    void updateSpriteLabels();
    void addMessage(const QString& line);

    // The dialog's state, under the names its rules give it.
    SequenceFrame frameParams;
    SequenceFrame increments;
    int32_t frameCount = 0;
    int32_t firstFrame = 0;
    int32_t frameStep = 1;
    InkArray inks = DefaultInks;
    RenderMode renderMode = DefaultRenderMode;
    int32_t screenMode = DefaultScreenMode;
    int32_t stopRequested = 0;
    int32_t backgroundLoaded = 0;
    int32_t baseAddress = DefaultExportFormat.baseAddress;
    int32_t crtcR1 = DefaultExportFormat.crtcR1;
    int32_t lineInk = DefaultLineInk;
    int32_t fillInk = DefaultFillInk;
    int32_t spriteExportLayout = SpriteLayoutLines;
    int32_t spriteSize = DefaultSpriteSize;
    int32_t spriteCount = DefaultSpriteCount;

    AppStores& stores_;
    CPrompts& prompts_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    CFrameCanvas* canvas_ = nullptr;

    // The controls, by area. "Paramètres animation":
    std::array<QLineEdit*, 7> startBoxes_{};
    std::array<QLineEdit*, 7> incrementBoxes_{};
    QPushButton* sequenceEditor_ = nullptr;
    QCheckBox* useSequence_ = nullptr;
    // "Paramètres écran CPC", the inks and "Fond d'écran":
    std::array<QRadioButton*, 3> screenModeRadios_{};
    std::array<QRadioButton*, 4> baseAddressRadios_{};  // in BaseAddressChoices order
    QLineEdit* crtcR1Box_ = nullptr;
    QPushButton* applyR1_ = nullptr;
    QCheckBox* linear_ = nullptr;
    std::array<CSwatchFrame*, InkCount> swatches_{};
    QCheckBox* backgroundTick_ = nullptr;
    QCheckBox* importPalette_ = nullptr;
    QPushButton* loadScr_ = nullptr;
    QLineEdit* backgroundPath_ = nullptr;
    // "Source (objet)":
    QPushButton* objectFileButton_ = nullptr;
    QLineEdit* objectPath_ = nullptr;
    QCheckBox* recentre_ = nullptr;
    QLineEdit* frameCountBox_ = nullptr;
    QLineEdit* frameStepBox_ = nullptr;
    QLineEdit* firstFrameBox_ = nullptr;
    // "Destination":
    QPushButton* cpcFilesButton_ = nullptr;
    QLineEdit* cpcPath_ = nullptr;
    QCheckBox* writeAsm_ = nullptr;
    QCheckBox* compress_ = nullptr;
    QCheckBox* banks_ = nullptr;
    QCheckBox* pointsExport_ = nullptr;
    QCheckBox* writeScr_ = nullptr;
    QCheckBox* gifPreview_ = nullptr;
    QCheckBox* spriteExport_ = nullptr;
    QCheckBox* sizeOnlyHeader_ = nullptr;
    std::array<QRadioButton*, 3> layoutRadios_{};  // layouts 1, 2, 3
    // Messages and the run:
    QListWidget* messages_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* cpcPlayback_ = nullptr;
    // "Paramètres objet":
    std::array<QRadioButton*, RenderModeCount> renderModeRadios_{};  // by render mode
    QLineEdit* lineInkBox_ = nullptr;
    QLineEdit* fillInkBox_ = nullptr;
    QPushButton* objectEditor_ = nullptr;
    QPushButton* spriteEditor_ = nullptr;
    QLabel* spriteSizeLabel_ = nullptr;
    QLabel* spriteCountLabel_ = nullptr;

    bool running_ = false;
    bool closeWhenRunEnds_ = false;
    RunResult lastRun_;
    PlayableRun lastOutput_;
    std::string lastGifPath_;
};

}  // namespace volumix
