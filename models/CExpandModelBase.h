#pragma once

#include "CModelBase.h"

// Base of the expansion models (everything but the transitions): adds the
// angle limits that keep a view inside the picture.
class CExpandModelBase : public CModelBase
{
public:
    // Limits that keep the whole view inside the picture, degrees.
    void GetViewLimits(float& panMin, float& panMax, float& tiltMin, float& tiltMax) const;
    // Limits for the view centre, degrees.
    void GetCentreLimits(float& panMin, float& panMax, float& tiltMin, float& tiltMax) const;

private:
    enum class LimitKind { WholeView, CentreOnly };
    void ComputeLimits(LimitKind kind, float& panMin, float& panMax, float& tiltMin,
                       float& tiltMax) const;
};
