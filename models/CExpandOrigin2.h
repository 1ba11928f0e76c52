#pragma once

#include "CExpandModelBase.h"

#include <memory>

// The fisheye view of the multi-view layouts: the framed circle without
// interaction, a translucent polygon showing what the selected perspective
// sub-view sees, and a click that turns into a viewing direction for it.
class CExpandOrigin2 : public CExpandModelBase
{
public:
    // Vertices the region polygon may hold.
    static constexpr int kRegionCapacity = 4484;

    CExpandOrigin2();
    ~CExpandOrigin2() override;

    bool Init() override;
    void SetRegion(bool enable, const float* points, int count) override;
    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

private:
    void ClickToDirection();

    std::unique_ptr<float[]> m_regionStorage;
};
