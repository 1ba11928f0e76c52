#pragma once

#include "PerspectiveModelBase.h"

#include <memory>

// The perspective sub-view of the multi-view layouts. When selected on a
// ceiling mount it also computes the outline of what it shows, as (azimuth,
// polar angle) pairs in radians, the view centre first.
class ExpandPerspective : public PerspectiveModelBase
{
public:
    // Points the outline may hold.
    static constexpr int kOutlineCapacity = 4490;

    ExpandPerspective();
    ~ExpandPerspective() override;

    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;

private:
    void UpdateOutline();
    void BuildPerimeter();
    void AddPerimeterPoint(float x, float z);
    void ProjectPerimeter();

    std::unique_ptr<float[]> m_outlineStorage;
    // Sample points of the viewport border in camera space, viewport pixels:
    // x to the right, y along the view axis, z up.
    std::unique_ptr<float[]> perimeter;
    std::unique_ptr<float[]> perimeterLength;
};
