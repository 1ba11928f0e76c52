#pragma once

// Test access to the render core's state: the probe derives from it and
// publishes its protected fields, so that tests drive the real code and read
// what it decided.

#include "PanoRenderer.h"

// Applies a model's pending input the way a draw does, without GL: with no
// program the draw stops right after the input reached the camera.
inline void ApplyInput(CModelBase* model, int width, int height)
{
    model->Draw(1, 0, 0, width, height, nullptr, 0, 0, 0, 0, 0, 0);
}

inline float PanOf(const CModelBase* model)
{
    float pan = 0.0f;
    float tilt = 0.0f;
    model->GetAngles(pan, tilt);
    return pan;
}

class RendererProbe : public PanoRenderer
{
public:
    explicit RendererProbe(const QString& meshFile = QString())
        : PanoRenderer(nullptr, 0, 0, 0, meshFile)
    {
    }

    // A render core that draws with a caller's program and plane textures.
    RendererProbe(QOpenGLShaderProgram* program, GLuint texY, GLuint texU, GLuint texV)
        : PanoRenderer(program, texY, texU, texV)
    {
    }

    using PanoRenderer::atPerspective;
    using PanoRenderer::buffers;
    using PanoRenderer::buffersDirty;
    using PanoRenderer::centreX;
    using PanoRenderer::centreY;
    using PanoRenderer::firstUse;
    using PanoRenderer::indexCount;
    using PanoRenderer::lastX;
    using PanoRenderer::lastY;
    using PanoRenderer::meshStore;
    using PanoRenderer::radius;
    using PanoRenderer::rectMeshStale;
    using PanoRenderer::sourceDirty;
    using PanoRenderer::vertexCount;
    using PanoRenderer::vertices;
    using PanoRenderer::viewSlots;

    // Initialised as the view does it: mode 1, then mode 0.
    void StartLikeTheView(int viewWidth, int viewHeight)
    {
        InitModels();
        SelectMode(1);
        SelectMode(0);
        SetViewportSize(viewWidth, viewHeight);
    }

    CModelBase* Front() const { return Slot(0).model; }
};
