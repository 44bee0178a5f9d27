#pragma once

#include <QDialog>

#include <cstdint>
#include <map>

#include "app/app_stores.h"
#include "app/generation_run.h"
#include "app/main_dialog_rules.h"
#include "platform/pacing.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;

namespace volumix {

class CFrameCanvas;
class CPrompts;

// The main window: every generation parameter, the preview, the inks, the
// message list, the run and the editors' buttons. Its parts live in three
// files: this one (layout, defaults, parameters), generator_dlg_run.cpp (the
// run) and generator_dlg_screen.cpp (screen, palette, background, export).
class CGeneratorDlg : public QDialog {
    Q_OBJECT
public:
    CGeneratorDlg(AppStores& stores, CPrompts& prompts, QWidget* parent = nullptr);
    ~CGeneratorDlg() override;

    SequenceFrame frameParams;
    SequenceFrame increments;
    int32_t frameCount = 0;
    int32_t firstFrame = 0;
    int32_t frameStep = 1;
    InkArray inks = DefaultInks;
    RenderMode renderMode = RenderPoints;
    int32_t screenMode = 0;
    int32_t stopRequested = 0;
    int32_t backgroundLoaded = 0;
    int32_t baseAddress = 0xC000;
    int32_t crtcR1 = 40;
    int32_t lineInk = 1;
    int32_t fillInk = 2;
    int32_t spriteExportLayout = 1;
    int32_t spriteSize = 4;
    int32_t spriteCount = 16;

    // The control with this id (nullptr for none).
    QWidget* control(int32_t id) const;
    bool running() const { return running_; }
    const RunResult& lastRunResult() const { return lastRun_; }
    const CFrameCanvas& preview() const { return *canvas_; }
    // The run's clock; tests give a fake one.
    void setClock(Clock& clock) { clock_ = &clock; }

    // Reads and clamps the numeric boxes and writes back what was understood.
    void readParameters();

    // "Démarrer": the whole run, pumping the window's events between frames.
    void OnStart();
    void OnStop();
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

    void clearFrame();
    // Blackens what the CPC does not show and repaints the preview.
    void showFrame();
    void paintSwatches();
    void updateSpriteLabels();
    void addMessage(const QString& line);

    QLineEdit* edit(int32_t id) const;
    QAbstractButton* button(int32_t id) const;
    bool ticked(int32_t id) const;
    template <typename Widget>
    Widget* add(Widget* widget, int32_t id, int x, int y, int width, int height);

    AppStores& stores_;
    CPrompts& prompts_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    std::map<int32_t, QWidget*> controls_;
    CFrameCanvas* canvas_ = nullptr;
    QListWidget* messages_ = nullptr;
    bool running_ = false;
    bool closeWhenRunEnds_ = false;
    RunResult lastRun_;
};

}  // namespace volumix
