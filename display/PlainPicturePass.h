#pragma once

#include "ShaderProgram.h"
#include "YuvColorTransform.h"

#include <QOpenGLFunctions>

#include <memory>
#include <vector>

// Draws the plain and the zoomed picture: a quad textured from the luma
// plane and from one two-channel texture that holds both chroma planes
// (interleaved here on upload), through a program of its own without
// branches: two texture reads and the picture's colour conversion per
// fragment. A software rasterizer spends most of a player's CPU in the
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

    // Builds the program and the chroma texture; false (and logged) when
    // the program does not build, and nothing is drawn with it then.
    bool Create();
    void Release();
    bool IsReady() const { return m_program && m_program->isLinked(); }
    ShaderProgram* Program() const { return m_program.get(); }

    // Binds the program and sets its colour conversion.
    void SetColor(const YuvColorTransform& transform);
    // Fills the chroma texture from the two planes of width x height samples,
    // rows tightly packed.
    void UploadChroma(const char* u, const char* v, int width, int height);
    // Binds the program, the luma texture to unit 0 and the chroma texture
    // to unit 1.
    void Bind(GLuint lumaTexture);

private:
    std::unique_ptr<ShaderProgram> m_program;
    GLuint m_chroma = 0;
    int m_chromaWidth = 0;
    int m_chromaHeight = 0;
    GLint m_internalFormat = 0;
    GLenum m_format = 0;
    // Reused for every upload: one band of sample pairs.
    std::vector<unsigned char> m_interleaved;
};
