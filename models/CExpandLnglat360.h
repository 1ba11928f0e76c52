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

    // Degrees of longitude across the viewport, with the strip's full height
    // stretched to it (as the whole-strip view does); 0, the default, shows a
    // window of the viewport's own shape. The double panorama's halves show
    // 180 each, so that together they cover the circle on any window.
    void SetSpanDegrees(float degrees) { m_spanDegrees = degrees; }

private:
    float m_spanDegrees = 0.0f;
    std::unique_ptr<float[]> m_regionStorage[2];
};
