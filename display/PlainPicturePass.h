#pragma once

#include "ShaderProgram.h"
#include "Yuv420Layout.h"
#include "YuvColorTransform.h"

#include <QOpenGLFunctions>
#include <QSize>

#include <array>
#include <memory>
#include <vector>

// Draws the plain and the zoomed picture: a quad textured from the luma
// plane and from one two-channel texture that holds both chroma planes
// (interleaved here on upload), through a program of its own without
// branches: two texture reads and the picture's colour conversion per
// fragment. Pictures above 1080p alternate between two sets of textures, so
// that uploading one never waits for the previous one to be drawn (a 4K
// upload would hold the GUI thread past a frame). A software rasterizer
// spends most of a player's CPU in the
// fragment stage; the shared program's branches and third read cost the
// whole player about a fifth more on llvmpipe. The conversion is the
// YuvColorTransform the shared program applies to the dewarped views.
//
// The program takes the shared vertex stage, so the quad's attributes and
// the vertex uniforms are ShaderProgram's.
//
// Threads: GUI thread, with the view's context current from Create to
// Release (or the destructor, which leaves the GL objects to the context
// when none is current).
class PlainPicturePass : protected QOpenGLFunctions
{
public:
    PlainPicturePass() = default;
    ~PlainPicturePass();
    PlainPicturePass(const PlainPicturePass&) = delete;
    PlainPicturePass& operator=(const PlainPicturePass&) = delete;

    // Builds the program; false (and logged) when
    // the program does not build, and nothing is drawn with it then.
    bool Create();
    void Release();
    bool IsReady() const { return m_program && m_program->isLinked(); }
    ShaderProgram* Program() const { return m_program.get(); }

    // Binds the program and sets its colour conversion.
    void SetColor(const YuvColorTransform& transform);
    // Uploads a packed YUV420P picture (Yuv420Layout) of width x height.
    void Upload(const char* picture, const Yuv420Layout& layout, int width, int height);
    // Binds the program and the last picture's textures: luma to unit 0,
    // chroma to unit 1.
    void Bind();

private:
    // The textures of one picture: luma, and both chroma planes as pairs.
    struct TextureSet {
        GLuint luma = 0;
        GLuint chroma = 0;
        QSize lumaSize;
        QSize chromaSize;
    };
    void UploadChroma(TextureSet& set, const char* u, const char* v, int width, int height);
    void ReleaseSet(TextureSet& set);

    std::unique_ptr<ShaderProgram> m_program;
    // Made on first upload; the second only for pictures above 1080p.
    std::array<TextureSet, 2> m_sets;
    int m_current = 0;
    GLint m_lumaInternalFormat = 0;
    GLenum m_lumaFormat = 0;
    GLint m_internalFormat = 0;
    GLenum m_format = 0;
    // Reused for every upload: one band of sample pairs.
    std::vector<unsigned char> m_interleaved;
};
