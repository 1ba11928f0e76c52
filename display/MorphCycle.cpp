#include "MorphCycle.h"

#include "CModelBase.h"
#include "CTransitModelBase.h"
#include "ViewLayout.h"

MorphCycle::Front MorphCycle::Classify(const CModelBase* model, const Pair& pair)
{
    if (model == pair.source) {
        return Front::Source;
    }
    if (model == pair.destination) {
        return Front::Destination;
    }
    return model == pair.morph ? Front::Morph : Front::Other;
}

CModelBase* MorphCycle::Apply(const Switch& change, const Pair& pair, bool& atDestination)
{
    Situation situation{change.firstUse, Front::Other, CModelBase::Idle, atDestination};
    if (change.oldFront) {
        situation.oldFront = Classify(change.oldFront, pair);
        situation.oldState = change.oldFront->GetState();
    }
    Decision decision{};
    if (change.mode == ViewLayout::ViewOrigin) {
        decision = ForSourceLayout(situation);
    } else if (change.mode == ViewLayout::ViewPerspective) {
        decision = ForDestinationLayout(situation);
    } else {
        decision = ForPanoramaCylinder(situation);
    }
    CModelBase* front = decision.front == Front::Source        ? pair.source
                        : decision.front == Front::Destination ? pair.destination
                                                               : pair.morph;
    Turn(pair.morph, decision.direction);
    if (decision.end != End::Keep) {
        atDestination = decision.end == End::Destination;
    }
    if (change.handOnAngles) {
        // The circle pair's perspective view takes the angles in mode 1 only.
        pair.source->SetAngles(change.pan0, change.tilt0);
        if (change.mode != ViewLayout::ViewOrigin) {
            pair.destination->SetAngles(change.pan0, change.tilt0);
        }
        pair.morph->SetAngles(change.pan0, change.tilt0);
    }
    // After the angles, which stop every motion, so that a spin goes on.
    if (decision.carry && change.oldFront && change.oldFront != front) {
        Carry(change.oldFront, front);
    }
    return front;
}

void MorphCycle::Turn(CTransitModelBase* morph, Direction direction)
{
    switch (direction) {
    case Direction::ForwardFromStart:
        morph->SetDirection(true, true);
        break;
    case Direction::BackwardFromEnd:
        morph->SetDirection(false, true);
        break;
    case Direction::Forward:
        morph->SetDirection(true, false);
        break;
    case Direction::Backward:
        morph->SetDirection(false, false);
        break;
    case Direction::Unchanged:
        break;
    }
}

void MorphCycle::Carry(CModelBase* from, CModelBase* to)
{
    float vPan = 0.0f;
    float vTilt = 0.0f;
    float vZoom = 0.0f;
    from->GetVelocity(vPan, vTilt, vZoom);
    to->SetVelocity(vPan, 0.0f, 0.0f);
    to->SetPressed(from->IsPressed());
}

bool MorphCycle::FinishedMorph(const Situation& situation, Decision& decision)
{
    if (situation.oldFront != Front::Morph) {
        return false;
    }
    if (situation.oldState == CModelBase::TransitStart) {
        decision = {Front::Source, Direction::Unchanged, true, End::Source};
        return true;
    }
    if (situation.oldState == CModelBase::TransitEnd) {
        decision = {Front::Destination, Direction::Unchanged, true, End::Destination};
        return true;
    }
    return false;
}

MorphCycle::Decision MorphCycle::ForSourceLayout(const Situation& situation)
{
    Decision decision{Front::Source, Direction::Unchanged, true, End::Keep};
    if (situation.firstUse || FinishedMorph(situation, decision)) {
        return decision;
    }
    if (situation.oldFront == Front::Destination) {
        return {Front::Morph, Direction::BackwardFromEnd, true, End::Keep};
    }
    if (situation.oldFront == Front::Morph) {
        // Half-way: the morph turns back toward the circle where it is.
        return {Front::Morph, Direction::Backward, false, End::Keep};
    }
    return decision;
}

MorphCycle::Decision MorphCycle::ForDestinationLayout(const Situation& situation)
{
    const Decision toDestination{Front::Morph, Direction::ForwardFromStart, true, End::Keep};
    Decision decision = toDestination;
    if (situation.firstUse || FinishedMorph(situation, decision)) {
        return decision;
    }
    switch (situation.oldFront) {
    case Front::Source:
        return toDestination;
    case Front::Destination:
        if (situation.oldState == CModelBase::LeaveRequest) {
            return {Front::Morph, Direction::BackwardFromEnd, true, End::Keep};
        }
        return {Front::Destination, Direction::Unchanged, false, End::Keep};
    case Front::Morph:
        // Half-way back to the circle: asking for the perspective view turns
        // the morph toward it again, as mode 0 turns it the other way.
        return {Front::Morph, Direction::Forward, false, End::Keep};
    case Front::Other:
        break;
    }
    if (situation.atDestination) {
        return {Front::Destination, Direction::Unchanged, true, End::Keep};
    }
    return toDestination;
}

MorphCycle::Decision MorphCycle::ForPanoramaCylinder(const Situation& situation)
{
    if (situation.firstUse) {
        return {Front::Destination, Direction::Unchanged, true, End::Destination};
    }
    Decision decision{Front::Morph, Direction::Unchanged, false, End::Keep};
    if (FinishedMorph(situation, decision)) {
        return decision;
    }
    const bool leaving = situation.oldState == CModelBase::LeaveRequest;
    switch (situation.oldFront) {
    case Front::Source:
        if (leaving) {
            return {Front::Morph, Direction::ForwardFromStart, true, End::Destination};
        }
        return {Front::Source, Direction::Unchanged, false, End::Source};
    case Front::Destination:
        if (leaving) {
            return {Front::Morph, Direction::BackwardFromEnd, true, End::Source};
        }
        return {Front::Destination, Direction::Unchanged, false, End::Destination};
    case Front::Morph:
        return decision;
    case Front::Other:
        break;
    }
    return {situation.atDestination ? Front::Destination : Front::Source, Direction::Unchanged, true,
            End::Keep};
}
