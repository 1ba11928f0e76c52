#include "DisplayWidget.h"

#include <utility>

#include "GLYuvWidget.h"
#include "LoadingWidget.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLoggingCategory>
#include <QSpacerItem>
#include <QStackedLayout>
#include <QtGlobal>

#include <algorithm>

namespace
{

// Per-picture lines; off unless enabled (QT_LOGGING_RULES or the log file).
Q_LOGGING_CATEGORY(lcDisplayFrames, "vorel.display.frames", QtWarningMsg)

const char kLoadingImage[] = ":/img/logging-in.png";
constexpr int kLoadingFrameCount = 47;
constexpr int kSideSpacerHeight = 80;

} // namespace

DisplayWidget::DisplayWidget(QWidget* parent) : QWidget(parent)
{
    qDebug("%d", 20);
    // The stack ignores margins; the frame around it keeps the reserved band.
    m_frame = new QVBoxLayout(this);
    m_frame->setContentsMargins(0, 0, 0, 0);
    pages = new QStackedLayout;
    m_frame->addLayout(pages);
    loading = new LoadingWidget(kLoadingImage, kLoadingFrameCount, this);
    pages->addWidget(BuildBlackPage());
    loading->hide();
    view = new GLYuvWidget(this);
    pages->addWidget(view);
    connect(this, &DisplayWidget::sigYuv, this, &DisplayWidget::OnPicture);
}

DisplayWidget::~DisplayWidget()
{
    for (int line = 70; line <= 74; ++line) {
        qDebug("%d %s", line, "DisplayWidget::~DisplayWidget");
    }
}

QWidget* DisplayWidget::BuildBlackPage()
{
    auto* page = new QWidget(this);
    page->setStyleSheet(".QWidget{ background: #000000;}");
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding));
    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addItem(new QSpacerItem(0, kSideSpacerHeight, QSizePolicy::Expanding, QSizePolicy::Fixed));
    row->addWidget(loading);
    row->addItem(new QSpacerItem(0, kSideSpacerHeight, QSizePolicy::Expanding, QSizePolicy::Fixed));
    column->addLayout(row);
    column->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding));
    return page;
}

DisplayWidget::Page DisplayWidget::CurrentPage() const
{
    return pages->currentIndex() == static_cast<int>(Page::Video) ? Page::Video : Page::Black;
}

void DisplayWidget::PostPicture(QByteArray frameBuffer, uint width, uint height,
                                PictureFormat format)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mailboxLock);
        if (m_pendingSet) {
            ++m_pendingDropped;
        }
        wake = !m_wakeQueued;
        m_wakeQueued = true;
        m_pendingSet = true;
        m_pendingFrame = std::move(frameBuffer);
        m_pendingWidth = width;
        m_pendingHeight = height;
        m_pendingFormat = format;
    }
    // One wake-up in flight at most: the GUI thread takes the newest picture.
    if (wake) {
        QMetaObject::invokeMethod(this, &DisplayWidget::TakePicture, Qt::QueuedConnection);
    }
}

QByteArray DisplayWidget::ReclaimBuffer()
{
    std::lock_guard<std::mutex> lock(m_mailboxLock);
    if (!m_pendingSet) {
        return std::exchange(m_spareFrame, QByteArray());
    }
    ++m_pendingDropped;
    m_pendingSet = false;
    return std::exchange(m_pendingFrame, QByteArray());
}

quint64 DisplayWidget::DroppedPictures() const
{
    std::lock_guard<std::mutex> lock(m_mailboxLock);
    return m_pendingDropped;
}

void DisplayWidget::TakePicture()
{
    QByteArray frameBuffer;
    uint width = 0;
    uint height = 0;
    PictureFormat format;
    {
        std::lock_guard<std::mutex> lock(m_mailboxLock);
        m_wakeQueued = false;
        if (!m_pendingSet) {
            return;
        }
        m_pendingSet = false;
        frameBuffer = std::move(m_pendingFrame);
        m_pendingFrame = QByteArray();
        width = m_pendingWidth;
        height = m_pendingHeight;
        format = m_pendingFormat;
    }
    QByteArray shownBefore = view->Picture(nullptr, nullptr);
    view->SetPictureFormat(format);
    emit sigYuv(frameBuffer, width, height);
    KeepSpare(std::move(shownBefore));
}

// The picture the view let go carries a later one instead of being freed:
// no unmapping on the GUI thread, no fresh pages for the copy.
void DisplayWidget::KeepSpare(QByteArray buffer)
{
    if (buffer.isEmpty() || buffer.constData() == view->Picture(nullptr, nullptr).constData()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mailboxLock);
    m_spareFrame = std::move(buffer);
}

void DisplayWidget::Start()
{
    {
        // A picture of the last file still in the mailbox is not shown.
        std::lock_guard<std::mutex> lock(m_mailboxLock);
        m_pendingSet = false;
        m_pendingFrame = QByteArray();
        m_spareFrame = QByteArray();
    }
    loading->show();
    loading->Start();
    pages->setCurrentIndex(static_cast<int>(Page::Black));
    view->DisablePano();
    view->ClearDisplay();
}

void DisplayWidget::HideLoading()
{
    loading->hide();
    pages->setCurrentIndex(static_cast<int>(Page::Black));
}

void DisplayWidget::PlayVideo(QByteArray /*frameBuffer*/, int /*width*/, int /*height*/)
{
    qDebug("%d %s", 153, "DisplayWidget::PlayVideo");
    pages->setCurrentIndex(static_cast<int>(Page::Video));
    qDebug("%d %s", 156, "DisplayWidget::PlayVideo");
}

void DisplayWidget::onDecodedFrame(uchar* /*frameData*/)
{
    qDebug("%d", 162);
}

void DisplayWidget::OnPicture(QByteArray frameBuffer, uint width, uint height)
{
    qCDebug(lcDisplayFrames, "%d", 39);
    pages->setCurrentIndex(static_cast<int>(Page::Video));
    // The view must end up visible even if something hid it; showing it only
    // when hidden spares a hide/show cycle (and a relayout) per picture.
    if (view->isHidden()) {
        view->show();
    }
    view->SetDisplay(frameBuffer, static_cast<int>(width), static_cast<int>(height));
}

void DisplayWidget::ReserveBottom(int heightPx)
{
    m_frame->setContentsMargins(0, 0, 0, std::max(0, heightPx));
}

bool DisplayWidget::event(QEvent* event)
{
    if (event->type() == QEvent::CursorChange && view) {
        view->SetPointerShape(cursor());
    }
    return QWidget::event(event);
}
