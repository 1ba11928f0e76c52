#include "ShowController.h"

#include "DisplayWidget.h"
#include "GLYuvWidget.h"
#include "PanoRenderer.h"
#include "PlaySpliterSystem.h"
#include "SubtitleFeed.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdio>

ShowController::ShowController(PlaySpliterSystem& engine, DisplayWidget& display, const Options& options)
    : m_engine(engine)
    , m_display(display)
    , m_options(options)
{
    connect(this, &ShowController::sigStartSpliter, &m_engine, &PlaySpliterSystem::StartSpliter,
            Qt::QueuedConnection);
    connect(&m_engine, &PlaySpliterSystem::sigYuv, this,
            [this](uchar* ptr, uint width, uint height, int size) { OnPicture(ptr, width, height, size); },
            Qt::DirectConnection);
    connect(&m_engine, &PlaySpliterSystem::sigPictureFormat, this,
            [this](PictureFormat format) { m_format = format; }, Qt::DirectConnection);
    // The display emits sigYuv on the GUI thread as it takes a picture; its
    // own handler, connected first, has set the picture when this one runs.
    connect(&m_display, &DisplayWidget::sigYuv, this, &ShowController::OnPictureShown);
    connect(&m_engine, &PlaySpliterSystem::sigPlayFinish, this, &ShowController::OnFinished,
            Qt::QueuedConnection);
    connect(&m_engine, &PlaySpliterSystem::sigSendMessage, this, &ShowController::OnMessage,
            Qt::QueuedConnection);
    TrackChoice choice;
    choice.subtitleId = options.subtitleId;
    choice.subtitleFiles = options.subtitleFiles;
    if (choice.subtitleId < 0 && !options.subtitleFiles.isEmpty())
        choice.findBesideFile = false; // the file given is the one to show
    m_engine.SetTrackChoice(choice);
    SubtitleFeed::Connect(m_engine, m_display.View(), this);
}

void ShowController::Start()
{
    m_display.Start();
    if (m_options.fisheyeMode >= 0) {
        GLYuvWidget* view = m_display.View();
        view->SetLens(m_options.lens);
        view->EnablePanoHY(m_options.wallMount ? kPanoModeWall : kPanoModeCeiling, m_options.circleX,
                           m_options.circleY, m_options.circleRadius);
        view->SelectViewMode(m_options.fisheyeMode);
    }
    emit sigStartSpliter(m_options.file.constData());
}

void ShowController::OnPicture(uchar* ptr, uint width, uint height, int size)
{
    if (!ptr || size <= 0) {
        return;
    }
    // The engine's buffer is valid only during this call: copy it now.
    const QByteArray picture(reinterpret_cast<const char*>(ptr), size);
    m_pictures.fetch_add(1);
    m_display.PostPicture(picture, width, height, m_format);
}

void ShowController::OnPictureShown()
{
    ++m_shown;
    if (!m_options.screenshotPath.isEmpty() && !m_screenshotDone && m_shown >= m_options.screenshotAfter) {
        SaveScreenshotAndQuit();
    }
}

void ShowController::OnFinished()
{
    std::fprintf(stderr, "vorel-show: end of file after %d pictures\n", m_pictures.load());
    // The last picture may still wait in the display's mailbox.
    m_display.ShowPendingPicture();
    if (m_screenshotDone) {
        return;
    }
    if (!m_options.screenshotPath.isEmpty() && !m_screenshotDone && m_shown > 0) {
        SaveScreenshotAndQuit();
        return;
    }
    if (m_options.exitAtEnd || !m_options.screenshotPath.isEmpty()) {
        QCoreApplication::exit(m_failed || m_shown == 0 ? 1 : 0);
    }
}

void ShowController::OnMessage(const QString& text)
{
    m_failed = true;
    std::fprintf(stderr, "vorel-show: %s\n", qPrintable(text));
    // Unattended runs end at a failure; a watched window stays open.
    if (m_options.exitAtEnd || !m_options.screenshotPath.isEmpty()) {
        m_engine.ForceStop();
        QCoreApplication::exit(1);
    }
}

void ShowController::SaveScreenshotAndQuit()
{
    m_screenshotDone = true;
    GLYuvWidget* view = m_display.View();
    PanoRenderer* renderer = view->Renderer();
    if (view->State() == GLYuvWidget::DisplayState::Dewarped && renderer && !renderer->IsAtRest()) {
        // The layout still moves into place (its animations run by time, not
        // by pictures): the shot is taken once it rests.
        m_settling = connect(view, &GLYuvWidget::frameSwapped, this, [this, renderer] {
            if (renderer->IsAtRest()) {
                disconnect(m_settling);
                WriteScreenshotAndQuit();
            }
        });
        return;
    }
    WriteScreenshotAndQuit();
}

void ShowController::WriteScreenshotAndQuit()
{
    const QImage screenshot = m_display.View()->grabFramebuffer();
    const bool saved = screenshot.save(m_options.screenshotPath);
    if (!saved) {
        std::fprintf(stderr, "vorel-show: cannot write %s\n", qPrintable(m_options.screenshotPath));
    }
    m_engine.ForceStop();
    QCoreApplication::exit(saved ? 0 : 1);
}
