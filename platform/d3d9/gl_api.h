// OpenGL 3.3 core entry points, loaded through SDL_GL_GetProcAddress once a context exists.
// Nothing here links against libGL symbols directly, so the same code runs on GLX and EGL.
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
    X(PFNGLCLEARDEPTHPROC, glClearDepth)                                                     \
    X(PFNGLCLEARSTENCILPROC, glClearStencil)                                                 \
    X(PFNGLCLEARPROC, glClear)                                                               \
    X(PFNGLCOLORMASKPROC, glColorMask)                                                       \
    X(PFNGLDEPTHMASKPROC, glDepthMask)                                                       \
    X(PFNGLDEPTHFUNCPROC, glDepthFunc)                                                       \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                                       \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)                               \
    X(PFNGLCULLFACEPROC, glCullFace)                                                         \
    X(PFNGLFRONTFACEPROC, glFrontFace)                                                       \
    X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                                   \
    X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex)                                           \
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
    X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)                                 \
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
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, glDrawElementsBaseVertex)                             \
    X(PFNGLDRAWARRAYSINSTANCEDPROC, glDrawArraysInstanced)                                   \
    X(PFNGLDRAWELEMENTSINSTANCEDBASEVERTEXPROC, glDrawElementsInstancedBaseVertex)           \
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
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)

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
QV_GL_OPTIONAL_FUNCTIONS(QV_GL_DECLARE)
#undef QV_GL_DECLARE

// Resolves every entry point; needs a current context. False if one is missing.
// Call it again after creating each context.
bool LoadFunctions();
bool HasExtension(const char* name);

} // namespace qv::gl
