#pragma once

#include "CModelBase.h"

// Base of the transition models: steps through a morph sequence of the mesh
// store, one full set of positions per frame sharing one set of texture
// coordinates and one index list.
class CTransitModelBase : public CModelBase
{
public:
    CTransitModelBase();

    // Jumps to the end frame of the direction when apply is set and morph data
    // is attached; otherwise only the direction changes.
    virtual void SetDirection(bool forward, bool apply);
    // A morph steps a frame every tick until it reaches an end, where the
    // render core replaces it.
    bool IsAtRest() const override { return false; }

    void SetMorphData(const float* frames, const float* texCoords, int vertexCount,
                      int indexCount, int frameCount);

protected:
    // One frame toward the direction's end; reports TransitEnd or TransitStart
    // when the end is reached.
    void Advance();
    // Wheel and drag scrubbing both step a frame; the direction follows them.
    void FollowGesture();
    // While pressed, a vertical drag longer than stepPixels consumes one step
    // and advances one frame.
    void ScrubByDrag(float stepPixels);
    // Points the mesh at the current frame.
    void PointAtFrame();
    // frameIndex / (frameCount - 1): 0 at the first frame, 1 at the last.
    float Progress() const;

    const float* morphFrames;
    const float* morphTexCoords;
    int morphVertexCount;
    int morphIndexCount;
    bool forward;
    int frameIndex;
    int frameCount;
};
