#pragma once

#include "PanoramaModelBase.h"

#include <memory>

// The whole 360-degree longitude-latitude strip at once, independent of the
// viewport's aspect.
class CExpandLnglat360B : public PanoramaModelBase
{
public:
    // Entries of each of the two region buffers.
    static constexpr int kRegionCapacity = 4484;

    CExpandLnglat360B();

    bool Init() override;
    bool SetSource(int mountType, int width, int height, float radius, float centreX,
                   float centreY) override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

private:
    std::unique_ptr<float[]> m_regionStorage[2];
};
