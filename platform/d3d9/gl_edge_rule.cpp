#include "platform/d3d9/gl_edge_rule.h"

#include <string>
#include <vector>

#include "platform/d3d9/gl_api.h"

namespace qv::d3d {

using namespace qv::gl;

namespace {

GLuint CompileProbeShader(GLenum type, const std::string& text)
{
    const GLuint shader = glCreateShader(type);
    const char* src = text.c_str();
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkProbeProgram()
{
    const std::string preamble = ShaderPreamble();
    const GLuint vs = CompileProbeShader(GL_VERTEX_SHADER, preamble + "in vec2 aPos;\n"
                                                                      "void main() { gl_Position = vec4(aPos, 0.0, 1.0); }\n");
    const GLuint fs = CompileProbeShader(GL_FRAGMENT_SHADER, preamble + "out vec4 oColor;\n"
                                                                        "void main() { oColor = vec4(1.0); }\n");
    GLuint program = 0;
    if (vs && fs) {
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glBindAttribLocation(program, 0, "aPos");
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            glDeleteProgram(program);
            program = 0;
        }
    }
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    return program;
}

} // namespace

bool RasterizerKeepsTopLeftRule(const std::string& renderer)
{
    // Devices are made on one thread; a test run makes hundreds on the same driver.
    static std::string probed;
    static bool keptThere = true;
    const std::string key = renderer + (es ? " (ES)" : "");
    if (!renderer.empty() && key == probed)
        return keptThere;
    // A 4 x 4 target and a square whose four edges run through pixel centres: in GL's window
    // coordinates from 1.5 to 2.5 both ways, which is Direct3D's square from 1 to 2 on the
    // picture the device draws (half a pixel on, rows in memory order). Direct3D's rule gives
    // it pixel (1, 1) alone.
    constexpr int kSize = 4;
    const GLuint program = LinkProbeProgram();
    if (!program)
        return true;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLuint texture = 0, framebuffer = 0, vao = 0, buffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    bool kept = true;
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        const float square[8] = {-0.25f, -0.25f, 0.25f, -0.25f, -0.25f, 0.25f, 0.25f, 0.25f};
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof square, square, GL_STATIC_DRAW);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(0);
        for (const GLenum cap : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST})
            glDisable(cap);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glViewport(0, 0, kSize, kSize);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glUseProgram(program);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        std::vector<unsigned char> pixels(size_t(kSize) * kSize * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        // Red of each pixel in memory order; only (1, 1), the sixth, is the square's.
        for (size_t at = 0; at < pixels.size(); at += 4)
            if ((pixels[at] != 0) != (at == size_t(kSize + 1) * 4))
                kept = false;
        glUseProgram(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindVertexArray(0);
        glDeleteBuffers(1, &buffer);
        glDeleteVertexArrays(1, &vao);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
    glDeleteProgram(program);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    probed = key;
    keptThere = kept;
    return kept;
}

} // namespace qv::d3d
