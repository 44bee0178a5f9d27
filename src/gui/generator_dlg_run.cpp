// The generation run as the main window drives it: per-frame settings read
// from the controls, the preview after each frame, 20 ms pacing that keeps
// the window's events flowing, and the controls locked while it lasts.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/run_setup.h"
#include "cpc/show_frame.h"
#include "export/gif_preview.h"
#include "gui/failure_text.h"
#include "gui/generator_dlg.h"
#include "gui/prompts.h"

namespace volumix {

namespace {

// Between frames the run hands the window its events: clicks ("Arrêter", a
// swatch, "Appliquer"), paints, and the modal dialogs they open, which hold
// the run until they close.
class CQtMessagePump : public MessagePump {
public:
    bool dispatchOne() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return true;
    }
};

// The run's lines go to the message list, the last one selected.
class CListMessages : public MessageSink {
public:
    explicit CListMessages(QListWidget& list) : list_(list) {}
    void addLine(const std::string& line) override {
        list_.addItem(QString::fromStdString(line));
        list_.setCurrentRow(list_.count() - 1);
    }

private:
    QListWidget& list_;
};

std::string pathOfBox(const QLineEdit* box) { return QFile::encodeName(box->text()).toStdString(); }

}  // namespace

class CWindowRunHost : public RunHost {
public:
    explicit CWindowRunHost(CGeneratorDlg& dialog) : dialog_(dialog) {}

    FrameSettings frameSettings() override { return dialog_.currentFrameSettings(); }

    // The mesh is loaded: a stop asked for before now is forgotten.
    void prepareOutput(const MeshObject&) override { dialog_.stopRequested = 0; }

    void showFrame(CDibSurface& frame, const FrameSettings& settings) override {
        dialog_.showFrame();
        if (gif_ != nullptr) gif_->addFrame(frame, settings.inks, settings.crtcR1);
    }
    void writeGif(GifPreviewWriter* gif) { gif_ = gif; }

    void frameDone(const FrameReport& report) override {
        emit dialog_.frameFinished(report.framesDrawn, report.frameIndex);
    }

    bool stopRequested() override { return dialog_.stopRequested != 0; }

private:
    CGeneratorDlg& dialog_;
    GifPreviewWriter* gif_ = nullptr;
};

FrameSettings CGeneratorDlg::currentFrameSettings() const {
    FrameSettings settings;
    settings.inks = inks;
    settings.crtcR1 = crtcR1;
    settings.background = backgroundLoaded != 0 && backgroundTick_->isChecked() ? &stores_.background : nullptr;
    settings.spriteSize = spriteSize;
    settings.spriteCount = spriteCount;
    return settings;
}

RunRequest CGeneratorDlg::runRequest() const {
    RunRequest request;
    RunParameters& p = request.parameters;
    p.start = frameParams;
    p.increments = increments;
    p.frameCount = frameCount;
    p.frameStep = frameStep;
    p.firstFrame = firstFrame;
    p.useSequence = useSequence_->isChecked();
    p.renderMode = renderMode;
    p.screenMode = screenMode;
    p.lineInk = lineInk;
    p.fillInk = fillInk;
    p.objectPath = pathOfBox(objectPath_);
    p.recentre = recentre_->isChecked();
    p.cpcPath = pathOfBox(cpcPath_);
    p.writeAsm = writeAsm_->isChecked();
    p.writeScr = writeScr_->isChecked();
    p.format.banks = banks_->isChecked();
    p.format.linear = linear_->isChecked();
    p.format.baseAddress = static_cast<uint16_t>(baseAddress);
    request.settings = currentFrameSettings();
    const DialogTicks t = ticks();
    request.exportKind = exportKindOf(t);
    request.compress = t.compress;
    request.sprite = {static_cast<SpriteLayout>(spriteExportLayout), sizeOnlyHeader_->isChecked()};
    return request;
}

void CGeneratorDlg::OnStart() {
    if (running_) return;
    readParameters();
    RunRequest request = runRequest();
    // The enabling rules keep the controls to combinations the run takes.
    if (applyRunRules(request) != RunSetupOk) {
        emit runFinished();
        return;
    }
    lockControlsForRun();
    messages_->clear();
    messages_->repaint();
    if (request.parameters.objectPath.empty()) {
        unlockControlsAfterRun();
        emit runFinished();
        return;
    }

    running_ = true;
    CQtMessagePump pump;
    IntervalPacing pacing(*clock_, pump);
    CWindowRunHost host(*this);
    // "Prévisualisation GIF": the preview beside the data files, as PREFIX.gif.
    GifPreviewWriter gif;
    std::string gifPath;
    if (gifPreview_->isChecked() && !request.parameters.cpcPath.empty()) {
        gifPath = request.parameters.cpcPath + ".gif";
        if (gif.open(gifPath)) host.writeGif(&gif);
    }
    CListMessages messages(*messages_);
    lastRun_ = runGeneration(stores_, request.parameters, host, pacing, messages);
    running_ = false;

    unlockControlsAfterRun();
    QString unwritten = lastRun_.outputFailed ? failureText(lastRun_.outputError) : QString();
    if (!gifPath.empty() && lastRun_.outcome != RunLoadFailed && !gif.finish())
        unwritten += (unwritten.isEmpty() ? "" : "\n") + failureText(gif.failure());
    if (!unwritten.isEmpty())
        prompts_.tell(this, QStringLiteral("Des fichiers de sortie n'ont pas pu être écrits :\n%1").arg(unwritten));
    emit runFinished();
    if (closeWhenRunEnds_) {
        closeWhenRunEnds_ = false;
        close();
    }
}

void CGeneratorDlg::OnStop() { stopRequested = 1; }

void CGeneratorDlg::lockControlsForRun() {
    for (int32_t group = 0; group < ControlGroupCount; ++group)
        if (lockedForRun(static_cast<ControlGroup>(group)))
            for (QWidget* widget : controlsOf(static_cast<ControlGroup>(group))) widget->setEnabled(false);
    stop_->setEnabled(true);
    spriteEditor_->setEnabled(true);
}

void CGeneratorDlg::unlockControlsAfterRun() {
    for (int32_t group = 0; group < ControlGroupCount; ++group)
        if (lockedForRun(static_cast<ControlGroup>(group)))
            for (QWidget* widget : controlsOf(static_cast<ControlGroup>(group))) widget->setEnabled(true);
    gifPreview_->setEnabled(gifPreviewAvailable());
    stop_->setEnabled(false);
    spriteEditor_->setEnabled(true);
    applyRules();
}

}  // namespace volumix
