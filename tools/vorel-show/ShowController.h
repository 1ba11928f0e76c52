#pragma once

#include "FisheyeLens.h"
#include "PictureFormat.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QString>

#include <atomic>

class DisplayWidget;
class PlaySpliterSystem;

// Wires one playback of the engine into a DisplayWidget, the way the main
// window does: the path goes to the engine's queued StartSpliter, every
// picture is copied at once on delivery and handed to the display, failure
// texts are printed. Optionally saves a screenshot of the view and quits.
//
// Threads: lives on the GUI thread. OnPicture and the picture-format handler
// run on the engine's presenter thread (direct connections, the bytes are
// valid only during the call); OnPicture copies the picture and posts it to
// the display's mailbox with the format announced before it. m_pictures and
// m_format are touched only there or atomically.
class ShowController : public QObject
{
    Q_OBJECT

public:
    struct Options {
        QByteArray file;            // raw path bytes, as given
        QString screenshotPath;     // empty: no screenshot
        int screenshotAfter = 30;   // pictures shown before the screenshot
        bool exitAtEnd = false;
        // Dewarped display: layout 0 to 13, -1 for the plain display. The
        // circle in picture pixels; a radius of 0 takes the picture's
        // default circle (centred, half the shorter side).
        int fisheyeMode = -1;
        int circleX = 0;
        int circleY = 0;
        int circleRadius = 0;
        bool wallMount = false;
        FisheyeLens lens;
        int subtitleId = -1; // 0: none; -1: the engine's choice
        QStringList subtitleFiles;
    };

    ShowController(PlaySpliterSystem& engine, DisplayWidget& display, const Options& options);

    // Puts the display on its loading page and starts the playback.
    void Start();

signals:
    void sigStartSpliter(const char* file);

private:
    void OnPicture(uchar* ptr, uint width, uint height, int size);
    void OnPictureShown();
    void OnFinished();
    void OnMessage(const QString& text);
    void SaveScreenshotAndQuit();
    void WriteScreenshotAndQuit();

    PlaySpliterSystem& m_engine;
    DisplayWidget& m_display;
    Options m_options;
    std::atomic<int> m_pictures{0};
    PictureFormat m_format; // presenter thread only
    int m_shown = 0;
    bool m_failed = false;
    bool m_screenshotDone = false;
    // Waits for a dewarped layout to rest before its screenshot.
    QMetaObject::Connection m_settling;
};
