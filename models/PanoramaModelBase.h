#pragma once

#include "CExpandModelBase.h"

// Shared behaviour of the scrolling longitude-latitude views (the panorama
// window, the whole strip and the cylinder): the external pan is the internal
// one plus 90 degrees, scrolling rotates the fisheye texture, released motion
// coasts or cruises.
//
// The panorama window and the cylinder also zoom: the wheel narrows their
// orthographic window by kZoomStepPerNotch of its unzoomed size per notch,
// down to kMinZoomScale, keeping the point under the pointer in place. While
// zoomed in, a vertical drag scrolls the window instead of swiping the view
// away. The whole strip keeps its whole 360 degrees and takes no zoom.
class PanoramaModelBase : public CExpandModelBase
{
public:
    // Internal pan = external pan - kPanOffset.
    static constexpr float kPanOffset = 90.0f;
    // Window size as a share of the unzoomed window: 1 (all the strip's
    // height) down to kMinZoomScale, kZoomStepPerNotch per wheel notch.
    static constexpr float kMinZoomScale = 0.4f;
    static constexpr float kZoomStepPerNotch = 0.05f;

    void Reset() override;
    void SetAngles(float pan, float tilt) override;
    void GetAngles(float& pan, float& tilt) const override;
    int Animate() override;
    float WheelUnitsPerNotch() const override { return kZoomStepPerNotch; }
    // The window's vertical centre stands for the tilt a panorama lacks.
    Pose CurrentPose() const override { return {pan, m_zoomOffsetY, m_zoomScale, m_zoomOffsetX}; }
    void RestorePose(const Pose& pose) override
    {
        panSpeed = tiltSpeed = zoomSpeed = 0;
        pan = pose[0];
        m_zoomOffsetY = pose[1];
        m_zoomScale = pose[2];
        m_zoomOffsetX = pose[3];
    }
    float ZoomScale() const { return m_zoomScale; }
    // True while the window is narrower than unzoomed: vertical drags then
    // scroll it and are no swipe.
    bool IsZoomedIn() const;

protected:
    // An orthographic window in eye space, world units.
    struct Window {
        float left;
        float right;
        float bottom;
        float top;
    };
    // Drag, pan limits, camera and texture matrices, then the frame input is
    // consumed. hHalf is the half-width of the view in degrees.
    void FinishPanorama(int viewWidth, float hHalf, float dragThreshold);
    // Eye on the mount's viewing axis at distance 100 / tan(fov / 2).
    void BuildFlatView();
    // Applies this frame's wheel and vertical drag to the zoom of a window of
    // the given unzoomed half-extents, and returns the window to show.
    Window ZoomWindow(int viewWidth, int viewHeight, float halfWidth, float halfHeight);

private:
    float m_zoomScale = 1.0f;
    // Centre of the zoomed window in eye space, world units; kept inside the
    // unzoomed window.
    float m_zoomOffsetX = 0.0f;
    float m_zoomOffsetY = 0.0f;
};
