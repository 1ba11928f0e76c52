#include "TrackController.h"

#include "AppSettings.h"
#include "GLYuvWidget.h"
#include "PlaySpliterSystem.h"
#include "PlaybackController.h"
#include "SubtitleFeed.h"
#include "TrackList.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace
{
const QString kNoSubtitles = QStringLiteral("no");

QString Setting(const char* key)
{
    return AppSettings::Value(QString::fromLatin1(key)).toString();
}
} // namespace

TrackController::TrackController(PlaySpliterSystem& engine, PlaybackController* playback,
                                 GLYuvWidget* view, QWidget* dialogParent)
    : QObject(dialogParent)
    , m_engine(engine)
    , m_view(view)
    , m_dialogParent(dialogParent)
{
    SubtitleFeed::Connect(engine, view, this);
    connect(playback, &PlaybackController::sigStarting, this,
            [this](int, const QString& path) { PrepareStart(path); });
    connect(&engine, &PlaySpliterSystem::sigTracks, this, &TrackController::OnTracks,
            Qt::QueuedConnection);
    connect(&engine, &PlaySpliterSystem::sigSubtitleTrack, this,
            &TrackController::OnSubtitleTrack, Qt::QueuedConnection);
}

void TrackController::AddMenus(QMenu* menu)
{
    menu->addSeparator();
    m_audioMenu = menu->addMenu(tr("音轨"));
    m_audioMenu->setObjectName(QStringLiteral("audioMenu"));
    m_subtitleMenu = menu->addMenu(tr("字幕"));
    m_subtitleMenu->setObjectName(QStringLiteral("subtitleMenu"));
    // Filled when the picture's menu opens, so they always show the file's.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        FillAudioMenu();
        FillSubtitleMenu();
    });
}

// The next file plays the languages last chosen, and the subtitle files
// loaded for it by hand (those beside it are found by the engine).
void TrackController::PrepareStart(const QString& path)
{
    m_playingPath = path;
    TrackChoice choice;
    choice.audioLanguage = Setting(AppSettings::kAudioLanguage);
    const QString subtitles = Setting(AppSettings::kSubtitleLanguage);
    if (subtitles == kNoSubtitles)
        choice.subtitleId = 0;
    else
        choice.subtitleLanguage = subtitles;
    choice.subtitleFiles = m_loadedFiles.value(path);
    m_engine.SetTrackChoice(choice);
}

void TrackController::OnTracks(const MediaTrackList& tracks)
{
    m_tracks = tracks;
    emit sigTracksChanged();
}

// The view has the track from the feed, connected before this.
void TrackController::OnSubtitleTrack(const SubtitleTrackStart& start)
{
    m_shownSubtitle = start.trackId;
    emit sigTracksChanged();
}

int TrackController::PlayingAudio() const
{
    for (const MediaTrack& track : m_tracks) {
        if (track.kind == TrackKind::Audio && track.selected)
            return track.id;
    }
    return 0;
}

bool TrackController::SubtitlesVisible() const { return m_view->Subtitles().IsVisible(); }

void TrackController::ToggleSubtitles()
{
    m_view->Subtitles().SetVisible(!m_view->Subtitles().IsVisible());
    m_view->RequestPaint();
}

QList<int> TrackController::Ids(TrackKind kind) const
{
    QList<int> ids;
    for (const MediaTrack& track : m_tracks) {
        if (track.kind == kind)
            ids.append(track.id);
    }
    return ids;
}

// Through every subtitle track, then off, as mpv's j goes.
void TrackController::NextSubtitle()
{
    const QList<int> ids = Ids(TrackKind::Subtitle);
    if (ids.isEmpty())
        return;
    const int at = ids.indexOf(m_shownSubtitle);
    SelectSubtitle(at < 0 ? ids.first() : at + 1 < ids.size() ? ids[at + 1] : 0);
}

void TrackController::NextAudio()
{
    const QList<int> ids = Ids(TrackKind::Audio);
    if (ids.size() < 2)
        return;
    const int at = ids.indexOf(PlayingAudio());
    SelectAudio(ids[(at + 1) % ids.size()]);
}

void TrackController::OnKey(PlayerKeys::Action action)
{
    if (action == PlayerKeys::Action::ToggleSubtitles)
        ToggleSubtitles();
    else if (action == PlayerKeys::Action::NextSubtitle)
        NextSubtitle();
    else if (action == PlayerKeys::Action::NextAudio)
        NextAudio();
}

void TrackController::SelectSubtitle(int id)
{
    const MediaTrack* track = TrackList::Find(m_tracks, TrackKind::Subtitle, id);
    if (!id)
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kSubtitleLanguage), kNoSubtitles);
    else if (track && !track->language.isEmpty())
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kSubtitleLanguage), track->language);
    m_view->Subtitles().SetVisible(true);
    m_engine.SelectSubtitle(id);
}

void TrackController::SelectAudio(int id)
{
    const MediaTrack* track = TrackList::Find(m_tracks, TrackKind::Audio, id);
    if (track && !track->language.isEmpty())
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kAudioLanguage), track->language);
    m_engine.SelectAudio(id);
}

void TrackController::LoadSubtitles(const QString& path)
{
    if (m_playingPath.isEmpty())
        return;
    QStringList& loaded = m_loadedFiles[m_playingPath];
    if (!loaded.contains(path))
        loaded.append(path);
    m_view->Subtitles().SetVisible(true);
    m_engine.LoadSubtitleFile(path);
}

void TrackController::AskForSubtitleFile()
{
    const QString folder = QFileInfo(m_playingPath).absolutePath();
    const QString path = QFileDialog::getOpenFileName(
        m_dialogParent, tr("加载字幕"), folder,
        tr("字幕文件") + QStringLiteral(" (*.srt *.ass *.ssa *.vtt *.sub *.sup)"));
    if (!path.isEmpty())
        LoadSubtitles(path);
}

QString TrackController::Label(const MediaTrack& track)
{
    QStringList parts;
    if (!track.language.isEmpty())
        parts << track.language;
    if (!track.title.isEmpty())
        parts << track.title;
    parts << QStringLiteral("(%1)").arg(track.codec);
    return QStringLiteral("%1: %2").arg(track.id).arg(parts.join(QLatin1Char(' ')));
}

// One checkable entry per track of `kind`, named prefix<N>, the one with
// `checkedId` checked; choosing one calls `choose` with its number.
void TrackController::AddTrackActions(QMenu* menu, TrackKind kind, int checkedId,
                                      const QString& prefix, void (TrackController::*choose)(int))
{
    for (const MediaTrack& track : m_tracks) {
        if (track.kind != kind)
            continue;
        QAction* action = menu->addAction(Label(track));
        action->setObjectName(prefix + QString::number(track.id));
        action->setCheckable(true);
        action->setChecked(track.id == checkedId);
        const int id = track.id;
        connect(action, &QAction::triggered, this, [this, choose, id] { (this->*choose)(id); });
    }
}

void TrackController::FillAudioMenu()
{
    m_audioMenu->clear();
    AddTrackActions(m_audioMenu, TrackKind::Audio, PlayingAudio(), QStringLiteral("audioTrack"),
                    &TrackController::SelectAudio);
    m_audioMenu->setEnabled(!m_audioMenu->isEmpty());
}

void TrackController::FillSubtitleMenu()
{
    m_subtitleMenu->clear();
    QAction* off = m_subtitleMenu->addAction(tr("关闭"));
    off->setObjectName(QStringLiteral("subtitlesOff"));
    off->setCheckable(true);
    off->setChecked(m_shownSubtitle == 0);
    connect(off, &QAction::triggered, this, [this] { SelectSubtitle(0); });
    AddTrackActions(m_subtitleMenu, TrackKind::Subtitle, m_shownSubtitle,
                    QStringLiteral("subtitleTrack"), &TrackController::SelectSubtitle);
    m_subtitleMenu->addSeparator();
    QAction* load = m_subtitleMenu->addAction(tr("加载字幕..."));
    load->setObjectName(QStringLiteral("loadSubtitles"));
    load->setEnabled(!m_playingPath.isEmpty());
    connect(load, &QAction::triggered, this, &TrackController::AskForSubtitleFile);
}
