#include "PanoRenderer.h"

#include "PanoramaModelBase.h"
#include "PerspectiveModelBase.h"

#include <QMutexLocker>

#include <cmath>

// Motion of the render core: animation ticks on elapsed time, rest, cruise
// and the double panorama's linked halves. GUI thread only, like the rest of
// the class.

void PanoRenderer::Advance(qint64 nowMs)
{
    if (!meshLoaded) {
        return;
    }
    if (restedAtLastTick) {
        animationClock.Restart();
    }
    const int ticks = animationClock.TicksAt(nowMs);
    for (int i = 0; i < ticks; ++i) {
        Tick();
    }
    if (ticks > 0) {
        restedAtLastTick = IsAtRest();
    }
}

bool PanoRenderer::IsAtRest() const
{
    // Speeds are judged by what they do: a spring may hold a view still for
    // a tick or two (a bounce, a clamp), so rest takes kRestTicks still ticks.
    constexpr int kRestTicks = 5;
    QMutexLocker layout(&layoutLock);
    if (stillTicks < kRestTicks) {
        return false;
    }
    for (int i = 0; i < slotCount; ++i) {
        if (!viewSlots[i].model->IsAtRest()) {
            return false;
        }
    }
    return true;
}

// The panorama and perspective views cruise; the others do not.
bool PanoRenderer::Cruises(const CModelBase* model)
{
    return dynamic_cast<const PerspectiveModelBase*>(model)
           || dynamic_cast<const PanoramaModelBase*>(model);
}

void PanoRenderer::SetCruise(bool on)
{
    QMutexLocker layout(&layoutLock);
    for (int i = 0; i < slotCount; ++i) {
        CModelBase* model = viewSlots[i].model;
        if (!Cruises(model)) {
            continue;
        }
        if (on) {
            model->StartCruiseFromRest();
        } else {
            model->StopCruise();
        }
    }
    restedAtLastTick = false;
}

bool PanoRenderer::IsCruising() const
{
    QMutexLocker layout(&layoutLock);
    for (int i = 0; i < slotCount; ++i) {
        if (viewSlots[i].model->IsCruising() && Cruises(viewSlots[i].model)) {
            return true;
        }
    }
    return false;
}

bool PanoRenderer::CanCruise() const
{
    QMutexLocker layout(&layoutLock);
    for (int i = 0; i < slotCount; ++i) {
        if (Cruises(viewSlots[i].model)) {
            return true;
        }
    }
    return false;
}

// Caller holds layoutLock.
void PanoRenderer::LinkHalves()
{
    float pans[2] = {0.0f, 0.0f};
    float tilts[2] = {0.0f, 0.0f};
    for (int k = 0; k < 2; ++k) {
        viewSlots[k].model->GetAngles(pans[k], tilts[k]);
    }
    // The half under the button leads; otherwise the one that moved more.
    int leader = 0;
    if (viewSlots[1].pressed) {
        leader = 1;
    } else if (!viewSlots[0].pressed) {
        const float moved0 = std::fabs(std::remainder(pans[0] - linkedPans[0], 360.0f));
        const float moved1 = std::fabs(std::remainder(pans[1] - linkedPans[1], 360.0f));
        leader = moved1 > moved0 ? 1 : 0;
    }
    const int follower = 1 - leader;
    const float opposite = pans[leader] + 180.0f;
    // The follower's own speed goes: it moves with the leader only.
    if (std::fabs(std::remainder(pans[follower] - opposite, 360.0f)) > 1e-3f) {
        viewSlots[follower].model->SetAngles(opposite, tilts[follower]);
    }
    viewSlots[follower].model->GetAngles(pans[follower], tilts[follower]);
    linkedPans[0] = pans[0];
    linkedPans[1] = pans[1];
}

// Whether the tick changed what is shown: another layout or front model, or
// a pose moved further than a speed too small to see.
void PanoRenderer::NoteMotion(const std::array<CModelBase::Pose, kMaxSlots>& before,
                              const std::array<const CModelBase*, kMaxSlots>& shownBefore)
{
    constexpr float kStill = 1e-4f;
    QMutexLocker layout(&layoutLock);
    bool moved = false;
    for (int i = 0; i < kMaxSlots && !moved; ++i) {
        const CModelBase* now = i < slotCount ? viewSlots[i].model : nullptr;
        if (now != shownBefore[i]) {
            moved = true;
        } else if (now) {
            const CModelBase::Pose after = now->CurrentPose();
            for (size_t k = 0; k < after.size(); ++k) {
                moved = moved || std::fabs(after[k] - before[i][k]) > kStill;
            }
        }
    }
    stillTicks = moved ? 0 : stillTicks + 1;
}

