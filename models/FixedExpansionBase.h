#pragma once

#include "CExpandModelBase.h"

// A fixed, non-interactive longitude-latitude expansion of the visible circle,
// seen through an orthographic camera framed to the visible aspect. The
// horizontal and vertical expansions differ only in their mesh.
class FixedExpansionBase : public CExpandModelBase
{
public:
    bool Init() override;
    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

protected:
    FixedExpansionBase() = default;
};
