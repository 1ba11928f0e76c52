#pragma once

#include "PanoramaModelBase.h"

#include <memory>

// A window onto the 360-degree longitude-latitude panorama, scrolled sideways
// by dragging; a downward swipe asks to leave the mode.
class CExpandLnglat360 : public PanoramaModelBase
{
public:
    // Entries of each of the two region buffers.
    static constexpr int kRegionCapacity = 2404;

    CExpandLnglat360();

    bool Init() override;
    bool SetSource(int mountType, int width, int height, float radius, float centreX,
                   float centreY) override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

private:
    std::unique_ptr<float[]> m_regionStorage[2];
};
