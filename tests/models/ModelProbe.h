#pragma once

// Test access to the state of a dewarp model: the probe derives from the model
// and publishes its protected fields and helpers, so that tests drive the real
// code and read what it computed.

#include "CModelBase.h"

#include <QPointF>
#include <QVector4D>

template <typename Model>
class Probe : public Model
{
public:
    using Model::accumWheel;
    using Model::accumX;
    using Model::accumY;
    using Model::centre;
    using Model::clickValid;
    using Model::cruise;
    using Model::dirty;
    using Model::dragDir;
    using Model::dragX;
    using Model::dragY;
    using Model::eye;
    using Model::fov;
    using Model::homeEye;
    using Model::indexCount;
    using Model::modelMatrix;
    using Model::moved;
    using Model::mountMatrix;
    using Model::mountType;
    using Model::outlineCapacity;
    using Model::outlineCount;
    using Model::outlinePoints;
    using Model::pan;
    using Model::panSpeed;
    using Model::picked;
    using Model::pressed;
    using Model::projMatrix;
    using Model::ready;
    using Model::regionCounts;
    using Model::regionOn;
    using Model::regionPoints;
    using Model::regionPolygons;
    using Model::selected;
    using Model::state;
    using Model::targetActive;
    using Model::texCoords;
    using Model::texMatrix;
    using Model::tilt;
    using Model::tiltSpeed;
    using Model::up;
    using Model::vertexCount;
    using Model::vertices;
    using Model::viewHeight;
    using Model::viewMatrix;
    using Model::viewWidth;
    using Model::wheel;
    using Model::zoomedIn;
    using Model::zoomSpeed;

    // Runs a draw without GL: with no program, Draw stops right after the
    // view rebuild and UpdateMatrices, before its first GL call.
    void Frame(int width, int height)
    {
        this->Draw(1, 0, 0, width, height, nullptr, 0, 0, 0, 0, 0, 0);
    }

    // Clip-space position of a mesh point.
    QVector4D Clip(const float* point) const
    {
        return projMatrix * modelMatrix * QVector4D(point[0], point[1], point[2], 1.0f);
    }

    // Picture coordinate (0..1) that a mesh texture coordinate samples.
    QPointF Sample(const float* texCoord) const
    {
        const QVector4D t = texMatrix * QVector4D(texCoord[0], texCoord[1], 1.0f, 1.0f);
        return QPointF(t.x(), t.y());
    }
};
