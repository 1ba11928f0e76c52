// models-draw-bench: CPU cost of one model draw per projection family (the
// matrix update plus the upload of positions and texture coordinates)
// against one memcpy of the same mesh. Needs a display with OpenGL.
// Usage: models-draw-bench [ITERATIONS]

#include "CExpandLnglat360B.h"
#include "CExpandLnglatHori.h"
#include "CExpandOrigin.h"
#include "CTransitOrigin2Pers.h"
#include "ExpandPerspective2.h"
#include "ModelProbe.h"
#include "PanoMeshStore.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Thread CPU time in nanoseconds: the upload copies on the calling thread.
qint64 CpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double NanosecondsPerRun(int iterations, const std::function<void()>& run)
{
    run();
    const qint64 start = CpuNanoseconds();
    for (int i = 0; i < iterations; ++i) {
        run();
    }
    return double(CpuNanoseconds() - start) / iterations;
}

struct Family {
    const char* name;
    CModelBase* model;
    int set;
};

void MeasureFamily(const Family& family, PanoMeshStore& store, QOpenGLFunctions& gl,
                   QOpenGLBuffer& positionsBuffer, QOpenGLBuffer& texCoordBuffer, int iterations)
{
    float* positions = nullptr;
    float* texCoords = nullptr;
    int count = 0;
    store.GetPositions(family.set, positions, count);
    store.GetTexCoords(family.set, texCoords, count);
    CModelBase& model = *family.model;
    model.Init();
    model.SetSource(CModelBase::MountCeiling, 1920, 1080, 540, 960, 540);
    model.SetMeshData(positions, texCoords, count, 0);
    model.Start();
    positionsBuffer.bind();
    positionsBuffer.allocate(count * 12);
    texCoordBuffer.bind();
    texCoordBuffer.allocate(count * 8);
    // With no program a draw stops after the matrices, before any GL call.
    const double matrices = NanosecondsPerRun(iterations, [&model] {
        model.Draw(1, 0, 0, 1280, 720, nullptr, 0, 0, 0, 0, 0, 0);
    });
    const double upload = NanosecondsPerRun(iterations, [&] {
        positionsBuffer.bind();
        gl.glBufferSubData(GL_ARRAY_BUFFER, 0, count * 12, positions);
        texCoordBuffer.bind();
        gl.glBufferSubData(GL_ARRAY_BUFFER, 0, count * 8, texCoords);
    });
    gl.glFinish();
    std::vector<char> copy(size_t(count) * 20);
    const double memcopy = NanosecondsPerRun(iterations, [&] {
        std::memcpy(copy.data(), positions, size_t(count) * 12);
        std::memcpy(copy.data() + size_t(count) * 12, texCoords, size_t(count) * 8);
        asm volatile("" : : "r"(copy.data()) : "memory");
    });
    std::printf("%-12s %8d %12.0f %12.0f %12.0f %8.2f\n", family.name, count, matrices, upload,
                memcopy, (matrices + upload) / memcopy);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface)) {
        std::fprintf(stderr, "models-draw-bench: no OpenGL context\n");
        return 1;
    }
    QOpenGLFunctions* gl = context.functions();
    PanoMeshStore store;
    if (!store.Load()) {
        std::fprintf(stderr, "models-draw-bench: mesh resource missing\n");
        return 1;
    }
    Probe<CExpandOrigin> origin;
    Probe<ExpandPerspective2> perspective;
    Probe<CExpandLnglat360B> panorama;
    Probe<CExpandLnglatHori> expansion;
    Probe<CTransitOrigin2Pers> transit;
    const Family families[] = {{"flat circle", &origin, 0},
                               {"perspective", &perspective, 1},
                               {"panorama", &panorama, 2},
                               {"expansion", &expansion, 4},
                               {"transition", &transit, 0}};
    QOpenGLBuffer positionsBuffer(QOpenGLBuffer::VertexBuffer);
    QOpenGLBuffer texCoordBuffer(QOpenGLBuffer::VertexBuffer);
    positionsBuffer.create();
    texCoordBuffer.create();
    std::printf("%-12s %8s %12s %12s %12s %8s\n", "family", "vertices", "matrices ns",
                "upload ns", "memcpy ns", "ratio");
    for (const Family& family : families) {
        MeasureFamily(family, store, *gl, positionsBuffer, texCoordBuffer, iterations);
    }
    positionsBuffer.destroy();
    texCoordBuffer.destroy();
    return 0;
}
