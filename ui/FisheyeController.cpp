#include "FisheyeController.h"

#include "AppSettings.h"
#include "DisplayWidget.h"
#include "ExportViewDialog.h"
#include "FisheyeCircleDetector.h"
#include "FisheyeCircleDialog.h"
#include "FisheyeHint.h"
#include "FisheyeMemory.h"
#include "FisheyeMenu.h"
#include "GLYuvWidget.h"
#include "PanoRenderer.h"

#include <QAction>
#include <QPoint>

#include <cmath>

namespace
{

int Rounded(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

FisheyeController::FisheyeController(DisplayWidget* display, QObject* parent)
    : QObject(parent), m_display(display)
{
    m_menu = new FisheyeMenu(display);
    m_hint = new FisheyeHint(display);
    display->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(display, &QWidget::customContextMenuRequested, this,
            &FisheyeController::OnDisplayCustomContextMenuRequested);
    connect(display, &DisplayWidget::sigYuv, this, &FisheyeController::OnDisplaySigYuv);
    connect(m_menu, &FisheyeMenu::sigDisplayChosen, this, &FisheyeController::ShowDisplay);
    connect(m_menu, &FisheyeMenu::sigLayoutChosen, this, &FisheyeController::ShowLayout);
    connect(m_menu, &FisheyeMenu::sigMountChosen, this, &FisheyeController::SetMount);
    connect(m_menu, &FisheyeMenu::sigDetectClicked, this, &FisheyeController::DetectCircle);
    connect(m_menu, &FisheyeMenu::sigSetCircleClicked, this, &FisheyeController::EditCircle);
    connect(m_menu, &FisheyeMenu::sigRestoreClicked, this, &FisheyeController::RestoreRemembered);
    connect(m_menu, &FisheyeMenu::sigStretchToggled, this, &FisheyeController::SetStretch);
    connect(m_menu, &FisheyeMenu::sigCruiseToggled, m_display->View(), &GLYuvWidget::SetCruise);
    connect(m_menu, &FisheyeMenu::sigExportClicked, this, &FisheyeController::ExportView);
    const bool stretch =
        AppSettings::Value(QString::fromLatin1(AppSettings::kStretchToWindow)).toBool();
    m_display->View()->SetScale(!stretch);
    m_menu->ShowStretch(stretch);
    connect(m_hint, &FisheyeHint::sigActionClicked, this, &FisheyeController::OnHintActionClicked);
}

FisheyeController::~FisheyeController()
{
    CloseDialog();
}

void FisheyeController::OpenFile(const QString& filePath)
{
    if (m_dialog) {
        // Closed unanswered: as if cancelled.
        CloseDialog();
        m_choice = m_beforeEdit;
        m_circleDetected = m_detectedBeforeEdit;
    }
    m_hint->Withdraw();
    m_hintOffer = HintOffer::None;
    m_picture.clear();
    m_pictureWidth = 0;
    m_pictureHeight = 0;
    m_offerPending = false;
    if (filePath == m_filePath && m_choice.display != FisheyeChoice::Display::Plain) {
        // The same file again (a loop, a replay): the display it is being
        // watched in goes on with its first picture.
        m_choice.layout = CurrentLayout();
        m_applyPending = true;
        return;
    }
    m_filePath = filePath;
    m_choice = FisheyeChoice();
    m_circleDetected = false;
    m_mountChosen = false;
    m_applyPending = false;
    m_offerPending = FisheyeMemory::Recall(filePath).has_value();
}

FisheyeCircleDialog* FisheyeController::CircleDialog() const
{
    return m_dialog;
}

FisheyeChoice FisheyeController::Choice() const
{
    FisheyeChoice choice = m_choice;
    if (choice.display == FisheyeChoice::Display::Dewarp) {
        choice.layout = CurrentLayout();
    }
    return choice;
}

int FisheyeController::CurrentLayout() const
{
    const PanoRenderer* renderer = m_display->View()->Renderer();
    const int shown = renderer ? renderer->CurrentMode() : -1;
    return ViewLayout::IsMode(shown) && m_choice.display == FisheyeChoice::Display::Dewarp
               ? shown
               : m_choice.layout;
}

void FisheyeController::ShowDisplay(FisheyeChoice::Display display)
{
    m_choice.display = display;
    Apply();
}

void FisheyeController::ShowLayout(int layout)
{
    if (!ViewLayout::IsMode(layout)) {
        return;
    }
    m_choice.display = FisheyeChoice::Display::Dewarp;
    m_choice.layout = layout;
    Apply();
}

void FisheyeController::SetMount(PanoMode mount)
{
    m_choice.layout = CurrentLayout();
    m_choice.mount = mount;
    m_mountChosen = true;
    m_choice.layout = m_choice.LayoutForMount();
    if (m_choice.display == FisheyeChoice::Display::Dewarp) {
        Apply();
    }
}

void FisheyeController::DetectCircle()
{
    if (!HasPicture()) {
        return;
    }
    if (!FindCircle()) {
        OfferSetCircle();
        return;
    }
    if (m_choice.display == FisheyeChoice::Display::Plain) {
        m_choice.display = FisheyeChoice::Display::Circle;
    }
    Apply();
}

void FisheyeController::EditCircle()
{
    if (!HasPicture()) {
        return;
    }
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    EnsureCircle();
    m_hint->Withdraw(); // the dialog answers whatever the note offered
    m_hintOffer = HintOffer::None;
    m_choice.layout = CurrentLayout();
    m_beforeEdit = m_choice;
    m_detectedBeforeEdit = m_circleDetected;
    // A window of its own over the player's; the display's black style sheet
    // is not handed down to it.
    m_dialog = new FisheyeCircleDialog(m_display->window());
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->SetPicture(m_pictureWidth, m_pictureHeight);
    m_dialog->SetCircle(m_choice.circle);
    m_dialog->SetLens(m_choice.lens);
    connect(m_dialog, &FisheyeCircleDialog::sigCircleEdited, this,
            &FisheyeController::OnDialogCircleEdited);
    connect(m_dialog, &FisheyeCircleDialog::sigLensEdited, this,
            &FisheyeController::OnDialogLensEdited);
    connect(m_dialog, &FisheyeCircleDialog::sigDetectClicked, this,
            &FisheyeController::OnDialogDetectClicked);
    connect(m_dialog, &QDialog::finished, this, &FisheyeController::OnDialogFinished);
    Show(Preview());
    m_dialog->show();
}

void FisheyeController::SetStretch(bool stretch)
{
    AppSettings::SetValue(QString::fromLatin1(AppSettings::kStretchToWindow), stretch);
    m_display->View()->SetScale(!stretch);
    m_menu->ShowStretch(stretch);
    // An outline follows the picture's new place.
    if (m_choice.display == FisheyeChoice::Display::Circle) {
        Show(m_choice);
    }
}

void FisheyeController::RestoreRemembered()
{
    const std::optional<FisheyeChoice> remembered = FisheyeMemory::Recall(m_filePath);
    if (!remembered) {
        return;
    }
    m_hint->Withdraw();
    m_choice = *remembered;
    m_mountChosen = true;
    m_circleDetected = false;
    Apply();
}

void FisheyeController::OnDisplayCustomContextMenuRequested(const QPoint& pos)
{
    m_choice.layout = CurrentLayout();
    FisheyeMenu::Offers offers;
    offers.setFlag(FisheyeMenu::Offer::Picture, HasPicture());
    offers.setFlag(FisheyeMenu::Offer::Restore, FisheyeMemory::Recall(m_filePath).has_value());
    offers.setFlag(FisheyeMenu::Offer::Cruise, m_display->View()->CanCruise());
    offers.setFlag(FisheyeMenu::Offer::Export,
                   m_display->View()->State() == GLYuvWidget::DisplayState::Dewarped &&
                       HasPicture() && !m_filePath.isEmpty());
    m_menu->ShowChoice(m_choice, offers);
    m_menu->ShowCruise(m_display->View()->IsCruising());
    m_menu->popup(m_display->mapToGlobal(pos));
}

void FisheyeController::OnDisplaySigYuv(const QByteArray& frameBuffer, uint width, uint height)
{
    m_picture = frameBuffer;
    const bool resized =
        static_cast<int>(width) != m_pictureWidth || static_cast<int>(height) != m_pictureHeight;
    m_pictureWidth = static_cast<int>(width);
    m_pictureHeight = static_cast<int>(height);
    if (m_applyPending ||
        (resized && m_choice.display != FisheyeChoice::Display::Plain && !m_dialog)) {
        Apply();
    }
    if (m_offerPending) {
        m_offerPending = false;
        OfferRemembered();
    }
}

void FisheyeController::OnDialogCircleEdited()
{
    m_choice.circle = m_dialog->Circle();
    m_choice.pictureWidth = m_pictureWidth;
    m_choice.pictureHeight = m_pictureHeight;
    m_circleDetected = false;
    Show(Preview());
}

void FisheyeController::OnDialogLensEdited()
{
    m_choice.lens = m_dialog->Lens();
    Show(Preview());
}

void FisheyeController::OnDialogDetectClicked()
{
    const std::optional<FisheyeCircle> found =
        FisheyeCircleDetector::Detect(m_picture, m_pictureWidth, m_pictureHeight);
    if (!found) {
        m_dialog->ShowNotFound();
        return;
    }
    m_dialog->SetCircle(*found);
    OnDialogCircleEdited();
    m_choice.circle = *found;
    m_circleDetected = true;
}

void FisheyeController::OnDialogFinished(int result)
{
    if (result != QDialog::Accepted) {
        m_choice = m_beforeEdit;
        m_circleDetected = m_detectedBeforeEdit;
    }
    Apply();
}

void FisheyeController::OnHintActionClicked()
{
    if (m_hintOffer == HintOffer::Restore) {
        RestoreRemembered();
    } else if (m_hintOffer == HintOffer::SetCircle) {
        EditCircle();
    }
    m_hintOffer = HintOffer::None;
}

bool FisheyeController::HasPicture() const
{
    return m_pictureWidth > 0 && m_pictureHeight > 0 &&
           m_picture.size() >= static_cast<qint64>(m_pictureWidth) * m_pictureHeight;
}

void FisheyeController::EnsureCircle()
{
    if (!m_choice.HasCircleFor(m_pictureWidth, m_pictureHeight) && !FindCircle()) {
        m_choice.circle = FisheyeCircle::Centred(m_pictureWidth, m_pictureHeight);
        m_choice.pictureWidth = m_pictureWidth;
        m_choice.pictureHeight = m_pictureHeight;
        OfferSetCircle();
    }
}

bool FisheyeController::FindCircle()
{
    const std::optional<FisheyeCircle> found =
        FisheyeCircleDetector::Detect(m_picture, m_pictureWidth, m_pictureHeight);
    if (!found) {
        return false;
    }
    m_choice.circle = *found;
    m_choice.pictureWidth = m_pictureWidth;
    m_choice.pictureHeight = m_pictureHeight;
    m_circleDetected = true;
    if (!m_mountChosen) {
        m_choice.mount = found->Shape(m_pictureHeight);
        m_choice.layout = m_choice.LayoutForMount();
    }
    return true;
}

void FisheyeController::Apply()
{
    if (m_choice.display != FisheyeChoice::Display::Plain) {
        if (m_hintOffer == HintOffer::Restore) {
            // A fisheye display was chosen: the offer is moot.
            m_hint->Withdraw();
            m_hintOffer = HintOffer::None;
        }
        if (!HasPicture()) {
            m_applyPending = true;
            return;
        }
        EnsureCircle();
    }
    m_applyPending = false;
    Show(m_choice);
    FisheyeMemory::Remember(m_filePath, m_choice);
}

void FisheyeController::Show(const FisheyeChoice& choice)
{
    GLYuvWidget* view = m_display->View();
    const int x = Rounded(choice.circle.centreX);
    const int y = Rounded(choice.circle.centreY);
    const int r = Rounded(choice.circle.radius);
    const PanoMode shape = choice.circle.Shape(choice.pictureHeight);
    view->SetLens(choice.lens);
    switch (choice.display) {
    case FisheyeChoice::Display::Plain:
        view->DisablePano();
        view->ClearDraw();
        break;
    case FisheyeChoice::Display::Zoom:
        // The overlay carries the black mask outside the circle; the debug
        // text is the view's way to create it without drawing anything.
        view->SetDebugText(true);
        view->SetDebugText(false);
        view->ClearDraw();
        view->EnablePano(shape, x, y, r);
        break;
    case FisheyeChoice::Display::Circle:
        view->DisablePano();
        view->ClearDraw();
        view->DrawCircle(x, y, r, shape, false, true);
        break;
    case FisheyeChoice::Display::Dewarp:
        view->ClearDraw();
        view->EnablePanoHY(choice.mount, x, y, r);
        view->SelectViewMode(choice.LayoutForMount());
        break;
    }
}

FisheyeChoice FisheyeController::Preview() const
{
    FisheyeChoice preview = m_choice;
    if (preview.display == FisheyeChoice::Display::Plain) {
        preview.display = FisheyeChoice::Display::Circle;
    }
    return preview;
}

void FisheyeController::OfferRemembered()
{
    const std::optional<FisheyeChoice> remembered = FisheyeMemory::Recall(m_filePath);
    if (!remembered) {
        return;
    }
    const QString name = remembered->display == FisheyeChoice::Display::Dewarp
                             ? FisheyeMenu::LayoutName(remembered->layout)
                             : m_menu->DisplayAction(remembered->display)->text();
    m_hintOffer = HintOffer::Restore;
    m_hint->Offer(tr("上次以“%1”观看此文件").arg(name), tr("恢复上次的鱼眼画面"));
}

void FisheyeController::OfferSetCircle()
{
    m_hintOffer = HintOffer::SetCircle;
    m_hint->Offer(tr("未找到鱼眼圆"), tr("设置鱼眼圆..."));
}

void FisheyeController::CloseDialog()
{
    if (m_dialog) {
        disconnect(m_dialog, nullptr, this, nullptr);
        m_dialog->close();
    }
}

PlayerKeys::Context FisheyeController::KeyContext() const
{
    return m_display->View()->State() == GLYuvWidget::DisplayState::Dewarped
               ? PlayerKeys::Context::Dewarped
               : PlayerKeys::Context::Plain;
}

void FisheyeController::Steer(PlayerKeys::Action action)
{
    using Action = PlayerKeys::Action;
    using Step = PanoRenderer::KeyStep;
    GLYuvWidget* view = m_display->View();
    switch (action) {
    case Action::SteerLeft:
        view->StepByKey(Step::Left);
        break;
    case Action::SteerRight:
        view->StepByKey(Step::Right);
        break;
    case Action::SteerUp:
        view->StepByKey(Step::Up);
        break;
    case Action::SteerDown:
        view->StepByKey(Step::Down);
        break;
    case Action::ZoomIn:
        view->StepByKey(Step::ZoomIn);
        break;
    case Action::ZoomOut:
        view->StepByKey(Step::ZoomOut);
        break;
    case Action::NextView:
        view->SelectNextView();
        break;
    default:
        break;
    }
}

ExportViewDialog* FisheyeController::ExportDialog() const
{
    return m_exportDialog;
}

void FisheyeController::ExportView()
{
    GLYuvWidget* view = m_display->View();
    const PanoRenderer* renderer = view->Renderer();
    if (!renderer || view->State() != GLYuvWidget::DisplayState::Dewarped || m_filePath.isEmpty()) {
        return;
    }
    ExportViewDialog::Source source;
    source.filePath = m_filePath;
    DewarpSettings& settings = source.view;
    settings.layout = CurrentLayout();
    settings.mount = m_choice.mount;
    settings.circleX = Rounded(m_choice.circle.centreX);
    settings.circleY = Rounded(m_choice.circle.centreY);
    settings.circleRadius = Rounded(m_choice.circle.radius);
    settings.lens = m_choice.lens;
    for (int i = 0; i < renderer->SlotCount(); ++i) {
        const CModelBase* model = renderer->Slot(i).model;
        settings.poses.push_back(model ? model->CurrentPose() : CModelBase::Pose{});
    }
    if (m_times) {
        const PlaybackTimes times = m_times();
        source.positionMs = times.positionMs;
        source.durationMs = times.durationMs;
    }
    source.windowSize = (QSizeF(view->size()) * view->devicePixelRatioF()).toSize();
    // A new dialog for the view as it is now; one still exporting goes on.
    if (m_exportDialog && !m_exportDialog->IsExporting()) {
        m_exportDialog->close();
    }
    m_exportDialog = new ExportViewDialog(source, m_display->window());
    m_exportDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_exportDialog->show();
}
