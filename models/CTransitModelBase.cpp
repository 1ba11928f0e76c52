#include "CTransitModelBase.h"

#include <cmath>

CTransitModelBase::CTransitModelBase()
    : morphFrames(nullptr), morphTexCoords(nullptr), morphVertexCount(0), morphIndexCount(0),
      forward(true), frameIndex(0), frameCount(0)
{
}

void CTransitModelBase::SetMorphData(const float* frames, const float* newTexCoords,
                                     int newVertexCount, int newIndexCount, int newFrameCount)
{
    morphFrames = frames;
    morphTexCoords = newTexCoords;
    morphVertexCount = newVertexCount;
    morphIndexCount = newIndexCount;
    frameCount = newFrameCount;
    if (frames != nullptr && newTexCoords != nullptr && newVertexCount > 0 && newIndexCount > 0
        && newFrameCount > 0) {
        SetMeshData(frames, newTexCoords, newVertexCount, newIndexCount);
    } else {
        SetMeshData(nullptr, nullptr, 0, 0);
    }
}

void CTransitModelBase::SetDirection(bool newForward, bool apply)
{
    forward = newForward;
    if (!apply || morphFrames == nullptr || texCoords == nullptr || frameCount <= 0) {
        return;
    }
    frameIndex = forward ? 0 : frameCount - 1;
    SetMeshData(morphFrames + qint64(frameIndex) * morphVertexCount * 3, morphTexCoords,
                morphVertexCount, morphIndexCount);
}

void CTransitModelBase::Advance()
{
    if (forward) {
        ++frameIndex;
        if (frameIndex >= frameCount) {
            frameIndex = frameCount - 1;
            state = TransitEnd;
        }
    } else {
        --frameIndex;
        if (frameIndex < 0) {
            frameIndex = 0;
            state = TransitStart;
        }
    }
}

void CTransitModelBase::FollowGesture()
{
    if (std::fabs(accumY) > std::fabs(accumX)) {
        if (accumY > 0) {
            forward = false;
        } else if (accumY < 0) {
            forward = true;
        }
    }
}

void CTransitModelBase::ScrubByDrag(float stepPixels)
{
    if (!pressed || !(std::fabs(accumY) > stepPixels)) {
        return;
    }
    accumY += accumY > 0 ? -stepPixels : stepPixels;
    Advance();
}

void CTransitModelBase::PointAtFrame()
{
    if (morphFrames == nullptr || frameIndex < 0 || frameIndex >= frameCount) {
        return;
    }
    vertices = morphFrames + qint64(frameIndex) * morphVertexCount * 3;
    texCoords = morphTexCoords;
}

float CTransitModelBase::Progress() const
{
    return frameCount > 1 ? float(frameIndex) / float(frameCount - 1) : 0.0f;
}
