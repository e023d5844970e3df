// OpenGL entry points, loaded through the window system (GlProcAddress) once a context exists.
// Nothing here links against libGL symbols directly, so the same code runs on GLX, EGL and WebGL.
//
// The backend speaks one of two dialects, chosen once per process: OpenGL 3.3 core, or OpenGL
// ES 3.0 as WebGL 2 offers it (QV_GL=es3 asks for it natively). In the ES dialect only what ES
// 3.0 and WebGL 2 both have is loaded: the entry points of later versions stay null, and of the
// extensions only S3TC is seen, however much more the driver offers.
#pragma once

#include <GL/glcorearb.h>

#define QV_GL_FUNCTIONS(X)                                                                   \
    X(PFNGLGETSTRINGPROC, glGetString)                                                       \
    X(PFNGLGETSTRINGIPROC, glGetStringi)                                                     \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                   \
    X(PFNGLGETERRORPROC, glGetError)                                                         \
    X(PFNGLENABLEPROC, glEnable)                                                             \
    X(PFNGLDISABLEPROC, glDisable)                                                           \
    X(PFNGLVIEWPORTPROC, glViewport)                                                         \
    X(PFNGLSCISSORPROC, glScissor)                                                           \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                     \
    X(PFNGLCLEARSTENCILPROC, glClearStencil)                                                 \
    X(PFNGLCLEARPROC, glClear)                                                               \
    X(PFNGLCOLORMASKPROC, glColorMask)                                                       \
    X(PFNGLDEPTHMASKPROC, glDepthMask)                                                       \
    X(PFNGLDEPTHFUNCPROC, glDepthFunc)                                                       \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                                       \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)                               \
    X(PFNGLCULLFACEPROC, glCullFace)                                                         \
    X(PFNGLFRONTFACEPROC, glFrontFace)                                                       \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                   \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                     \
    X(PFNGLFINISHPROC, glFinish)                                                             \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                   \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                                             \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                   \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                               \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                     \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                                               \
    X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, glCompressedTexImage2D)                                 \
    X(PFNGLTEXIMAGE3DPROC, glTexImage3D)                                                     \
    X(PFNGLTEXSUBIMAGE3DPROC, glTexSubImage3D)                                               \
    X(PFNGLCOMPRESSEDTEXIMAGE3DPROC, glCompressedTexImage3D)                                 \
    X(PFNGLCOMPRESSEDTEXSUBIMAGE3DPROC, glCompressedTexSubImage3D)                           \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                               \
    X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                                   \
    X(PFNGLDELETESAMPLERSPROC, glDeleteSamplers)                                             \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                                   \
    X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                                       \
    X(PFNGLSAMPLERPARAMETERFPROC, glSamplerParameterf)                                       \
    X(PFNGLSAMPLERPARAMETERFVPROC, glSamplerParameterfv)                                     \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                     \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                               \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                     \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                                               \
    X(PFNGLBINDBUFFERRANGEPROC, glBindBufferRange)                                           \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                           \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                                     \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                           \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                           \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)                         \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                   \
    X(PFNGLVERTEXATTRIBDIVISORPROC, glVertexAttribDivisor)                                   \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                 \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                 \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                   \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                         \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                 \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                               \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                 \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                                     \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                 \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                       \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                               \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                     \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                     \
    X(PFNGLGETUNIFORMBLOCKINDEXPROC, glGetUniformBlockIndex)                                 \
    X(PFNGLUNIFORMBLOCKBINDINGPROC, glUniformBlockBinding)                                   \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                       \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                       \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                       \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                     \
    X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv)                                         \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                         \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                                     \
    X(PFNGLDRAWARRAYSINSTANCEDPROC, glDrawArraysInstanced)                                   \
    X(PFNGLDRAWELEMENTSINSTANCEDPROC, glDrawElementsInstanced)                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                           \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                     \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                           \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                           \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                 \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                             \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                         \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                                   \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                         \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                   \
    X(PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC, glRenderbufferStorageMultisample)             \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)

// Entry points only the GL 3.3 core dialect has (null in the ES dialect).
#define QV_GL_CORE_FUNCTIONS(X)                                                              \
    X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                                   \
    X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex)                                           \
    X(PFNGLPOINTSIZEPROC, glPointSize)                                                       \
    X(PFNGLCLEARDEPTHPROC, glClearDepth)                                                     \
    X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)                                 \
    X(PFNGLDRAWELEMENTSINSTANCEDBASEVERTEXPROC, glDrawElementsInstancedBaseVertex)

// Entry points only the ES dialect needs (GL 3.3 core has others for the same work).
#define QV_GL_ES_FUNCTIONS(X)                                                                \
    X(PFNGLCLEARDEPTHFPROC, glClearDepthf)

// Entry points of later GL versions, used when the context has them (null otherwise).
#define QV_GL_OPTIONAL_FUNCTIONS(X)                                                          \
    X(PFNGLDRAWARRAYSINSTANCEDBASEINSTANCEPROC, glDrawArraysInstancedBaseInstance)            \
    X(PFNGLDRAWELEMENTSINSTANCEDBASEVERTEXBASEINSTANCEPROC, glDrawElementsInstancedBaseVertexBaseInstance) \
    X(PFNGLPROGRAMBINARYPROC, glProgramBinary)                                                \
    X(PFNGLGETPROGRAMBINARYPROC, glGetProgramBinary)                                          \
    X(PFNGLPROGRAMPARAMETERIPROC, glProgramParameteri)                                        \
    X(PFNGLBUFFERSTORAGEPROC, glBufferStorage)                                                \
    X(PFNGLMAPBUFFERRANGEPROC, glMapBufferRange)                                              \
    X(PFNGLFENCESYNCPROC, glFenceSync)                                                        \
    X(PFNGLCLIENTWAITSYNCPROC, glClientWaitSync)                                              \
    X(PFNGLDELETESYNCPROC, glDeleteSync)

namespace qv::gl {

#define QV_GL_DECLARE(type, name) extern type name;
QV_GL_FUNCTIONS(QV_GL_DECLARE)
QV_GL_CORE_FUNCTIONS(QV_GL_DECLARE)
QV_GL_ES_FUNCTIONS(QV_GL_DECLARE)
QV_GL_OPTIONAL_FUNCTIONS(QV_GL_DECLARE)
#undef QV_GL_DECLARE

// The window system's address of a GL entry point, null if it has none (d3d9_context.cpp, or
// the page's).
void* GlProcAddress(const char* name);

enum class Dialect { Core33, Es30 };

// The dialect this process asks its contexts for: QV_GL=es3 is ES 3.0, anything else GL 3.3 core.
Dialect RequestedDialect();

// The dialect of the functions loaded last; read wherever the two differ, off the draw path.
extern bool es;

// Resolves every entry point of `dialect`; needs a current context of it. False if one is
// missing, whose name goes to `missing` (the first one, when it is not null). Call it again
// after creating each context.
bool LoadFunctions(Dialect dialect, const char** missing = nullptr);

// Where LoadFunctions looks entry points up; null (the default) is GlProcAddress. Tests stand
// in a driver that lacks an entry point or answers a query its own way. Read only while loading.
using ProcLookup = void* (*)(const char* name);
void SetProcLookup(ProcLookup lookup);
bool HasExtension(const char* name);

// The lines every shader starts with: the GLSL version, and in ES the precisions.
const char* ShaderPreamble();

inline void ClearDepth(float z)
{
    if (es)
        glClearDepthf(z);
    else
        glClearDepth(double(z));
}

} // namespace qv::gl
