// IDirect3DDevice9 on an OpenGL 3.3 core or OpenGL ES 3.0 context (the dialects: gl_api.h). Set*
// calls only record state and mark what changed; a draw applies the changes (d3d9_draw.cpp), so
// most draws issue few GL calls. A draw that differs from the one before only in its transforms
// and material joins it: the two go to GL as one instanced draw (d3d9_batch.cpp). The device's
// files hold Direct3D's semantics; the GL mechanics it owns live beside them: the batcher and its
// ring of instance records (gl_batcher.h, gl_instance_ring.h), the array textures
// (gl_texture_arrays.h), the programs and the state mirror.
#pragma once

#include "platform/d3d9/d3d9_com.h"
#include "platform/d3d9/d3d9_state.h"
#include "platform/d3d9/d3d9_texture.h"
#include "platform/d3d9/gl_batcher.h"
#include "platform/d3d9/gl_clip_positions.h"
#include "platform/d3d9/gl_ffp_shader.h"
#include "platform/d3d9/gl_primitive_rewrite.h"
#include "platform/d3d9/gl_program_store.h"
#include "platform/d3d9/gl_state_cache.h"
#include <qv_d3d9.h>

#include <array>
#include <memory>
#include <string>

namespace qv::d3d {

class Direct3D9;
class StateBlock;
class Surface;

// The window and GL context a device draws with. What stands behind them is the window
// system's: SDL natively (d3d9_context.cpp), the page's canvas on the web.
struct GlContext {
    struct Native; // the window system's window and context
    HWND hwnd = nullptr; // the Win32 window it was made for; null for our own window
    std::string renderer;
    bool software = false; // a rasteriser on the CPU, which cannot do hardware vertex processing
    std::unique_ptr<Native> native;
    GlContext();
    ~GlContext();
    // False once the Win32 window has been destroyed under us: its window-system window is gone too.
    bool WindowAlive() const;
    // Makes the context current; false once it is gone.
    bool MakeCurrent() const;
    void WindowSize(int* width, int* height) const;
    // The window's size in pixels, as its default framebuffer has it.
    void DrawableSize(int* width, int* height) const;
    void SetSwapInterval(int interval);
    // Shows what the default framebuffer holds, waiting for vsync as the interval says.
    void Swap();
};

// Creates the context for one of the three vertex-processing requests; null with `hr` set
// when none can be made. Whether it meets a request for hardware vertex processing is the
// caller's to judge from `software`.
std::unique_ptr<GlContext> CreateGlContext(HWND focus, DWORD behavior, HRESULT* hr);

// The desktop's size and refresh rate (0 when unknown); false when the window system cannot say.
bool DesktopMode(int* width, int* height, int* refreshRate);

enum DirtyBits : uint32_t {
    kDirtyKey = 1u << 0,
    kDirtyTransform = 1u << 1, // world, view or projection: the instance record's matrices
    kDirtyMaterial = 1u << 2,  // the instance record's material
    kDirtyLights = 1u << 3,
    kDirtyTexMatrix = 1u << 4,
    kDirtyPixel = 1u << 5,
    kDirtyBlend = 1u << 6,
    kDirtyDepth = 1u << 7,
    kDirtyRaster = 1u << 8,
    kDirtyTextures = 1u << 9,
    kDirtySamplers = 1u << 10,
    kDirtyLayout = 1u << 11,
    kDirtyViewProj = 1u << 12, // view or projection: ends a batch, though its records would cope
    kDirtyAmbient = 1u << 13,
    kDirtyLayers = 1u << 14, // the layers of the stages' array textures
    kDirtyAll = 0xFFFFFFFFu
};
// What may change between two draws that still go to GL as one.
constexpr uint32_t kDirtyPerInstance = kDirtyTransform | kDirtyMaterial | kDirtyLayers;

class Device final : public IDirect3DDevice9 {
public:
    static HRESULT Create(Direct3D9* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& params,
                          IDirect3DDevice9** out);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirect3DDevice9
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d3d) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* src, const RECT* dst, HWND override_, const RGNDATA* dirty) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dest) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                          IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* material) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD index, BOOL enable) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** block) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                                   UINT numVertices, UINT startIndex, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* buffer) override;

    // ---- inside the substitute ----
    void AttachChild() { ++children_; }
    void DetachChild();
    // Makes our context current; false once the context is gone.
    bool MakeCurrent();
    // Sends the draws waiting to go to GL as one. Everything that touches GL outside a draw, or
    // lets the caller see or change what a waiting draw reads, calls this first.
    void FlushBatch();
    GlStateCache& gl() { return cache_; }
    // Null with batching off: every texture is then a GL texture of its own.
    GlTextureArrays* textureArrays() { return batcher_.enabled() ? &textureArrays_ : nullptr; }
    // Whether DXT textures made now go to GL as blocks, rather than decoded to RGBA8.
    bool CompressedDxtUpload() const;
    void StateBlockDestroyed(StateBlock* block);

    HRESULT ReadBack(QvBackBufferSource source, DWORD* pixels, UINT capacity, UINT* width, UINT* height);
    void Stats(QvDeviceStats* stats) const;

private:
    Device(Direct3D9* d3d, std::unique_ptr<GlContext> context, DWORD behavior, const D3DPRESENT_PARAMETERS& params);
    ~Device();
    bool InitGl();
    void ReleaseBindings();
    void MaybeDestroy();
    HRESULT CreateBackBuffer();
    // The targets' size for the render scale asked at creation; 0 x 0 when it cannot be drawn.
    void ChooseRenderSize(GLsizei* width, GLsizei* height) const;
    // Gives the colour, depth and multisampled targets the size renderWidth_ x renderHeight_,
    // black and far, and scales what follows the size (the half-pixel offset, points).
    HRESULT SizeTargets();
    void BindBackBuffer();
    // The framebuffer draws go to: the multisampled one, or the back buffer itself.
    GLuint DrawTarget() const;
    // The back buffer's framebuffer, holding the picture drawn so far (resolved first when
    // multisampled).
    GLuint ResolvedBackBuffer();
    // A D3D rectangle of the back buffer in the targets' pixels.
    LONG ScaleX(LONG x) const;
    LONG ScaleY(LONG y) const;
    bool DrawBackBufferUpright(GLint width, GLint height);
    void ReadFramebuffer(GLuint fbo, GLsizei width, GLsizei height, uint8_t* bgra, UINT pitch);
    // Following the window (render scale 0): sizes the targets afresh when the window has
    // changed the size Present shows the picture at.
    void FollowWindowSize();

    // Stores a setter's value; true when it changed.
    static bool Store(DWORD& slot, DWORD value)
    {
        if (slot == value)
            return false;
        slot = value;
        return true;
    }
    // How every getter ends: `from` is the recorded value, null when the call named none. The
    // waiting draws go first, so that what the caller sees is what they were drawn with.
    template <class T>
    HRESULT HandOut(const T* from, T* out)
    {
        if (!from || !out)
            return D3DERR_INVALIDCALL;
        FlushBatch();
        *out = *from;
        return D3D_OK;
    }

    // Batching (d3d9_batch.cpp).
    bool InitBatching();
    bool Submit(const GlDraw& draw);
    bool CanJoinBatch(const GlDraw& draw) const;
    // A draw ES would not draw as Direct3D does (fill mode, flat shading), rewritten and sent
    // alone; other draws go on to Submit.
    bool SubmitRewritten(const GlDraw& draw);
    GlClipPositions::Source RewriteClipSource() const;

    // Draw-time work (d3d9_draw.cpp).
    bool StreamReady() const;
    bool StreamHolds(int64_t first, int64_t last) const;
    HRESULT SendDraw(const GlDraw& draw);
    HRESULT RefuseDraw();
    bool PrepareDraw(const GlDraw& draw);
    void BuildKey();
    void UpdateInstanceRecord();
    void UpdateUniformData();
    void UploadUniforms(FfpProgram& p);
    void ApplyFixedState();
    void ApplyTextures();
    void ApplySamplers();
    bool ApplyLayout(bool instanceInputs);

    Direct3D9* d3d_;
    std::unique_ptr<GlContext> context_;
    DWORD behavior_;
    D3DPRESENT_PARAMETERS params_;
    ULONG refs_ = 1;
    ULONG children_ = 0;
    bool released_ = false;

    DeviceState state_;
    std::array<bool, kMaxLights> lightDefined_{};
    StateBlock* recording_ = nullptr;
    bool inScene_ = false;

    // GL objects.
    GlStateCache cache_;
    ProgramStore programStore_;
    FfpProgramCache programs_{programStore_};
    GLuint vao_ = 0;
    std::array<GLuint, kFfpStages> samplers_{};
    std::array<GLuint, 2> colorBuffers_{}; // textures
    GLuint presentProgram_ = 0, presentVao_ = 0, presentSampler_ = 0;
    bool presentProgramTried_ = false;
    std::array<GLuint, 2> framebuffers_{};
    GLuint depthBuffer_ = 0; // a texture, or with samples_ a renderbuffer
    GLenum depthFormat_ = 0;
    // The render scale: the targets are the back buffer's size times it (0 follows the window),
    // drawn with `samples_` samples a pixel into the multisampled framebuffer when above 1.
    float renderScale_ = 1.0f;
    GLsizei renderWidth_ = 0, renderHeight_ = 0;
    // A size followed from the window that the driver could not make (out of memory), not asked
    // for again at every Present.
    GLsizei refusedWidth_ = 0, refusedHeight_ = 0;
    int samples_ = 0;
    GLuint msaaFramebuffer_ = 0, msaaColor_ = 0;
    int backIndex_ = 0;
    bool presentedOnce_ = false;
    bool dxtUpload_ = false;
    bool hasStencil_ = false;
    bool opaqueTarget_ = true; // X8R8G8B8: alpha stays 1
    GlTextureArrays textureArrays_;
    std::unique_ptr<Surface> backBufferSurface_;

    // Draw-time bookkeeping.
    uint32_t dirty_ = kDirtyAll;
    uint32_t dirtySamplerStages_ = 0xFF;
    FfpKey key_;
    FfpProgram* program_ = nullptr;
    uint32_t versions_[kGroupCount] = {};
    struct Uniforms {
        float posFixup[4], ambient[4];
        float lightDiffuse[32], lightSpecular[32], lightAmbient[32], lightPosition[32], lightDirection[32],
            lightAttenuation[32], lightSpot[32];
        float texMatrix[64];
        float textureFactor[4], stageConstant[16], alphaRef, lastStageLayer;
    } uniforms_{};
    std::array<std::array<DWORD, kSamplerStateCount>, kFfpStages> appliedSamplers_{};
    static constexpr int kLocations = 16; // attribute locations a layout may use
    std::array<bool, kLocations> layoutEnabled_{};
    std::array<bool, kLocations> layoutPerInstance_{};
    const FfpProgram* layoutProgram_ = nullptr; // the program the layout was made for
    GLint layoutBaseVertex_ = 0; // where the layout starts, in vertices, without base-vertex draws
    UINT statsDraws_ = 0, statsRejected_ = 0, statsGlDraws_ = 0;

    // The draws waiting to go to GL as one, and the record the next one adds.
    InstanceRecord current_{}; // the record of the device's present transforms and material
    float normalSource_[9] = {}; // the world x view upper 3 x 3 its normal matrix came from
    GlBatcher batcher_;
    // ES only: a fill mode other than solid, or flat shading, is on (draws go to SubmitRewritten).
    bool rewriteDraws_ = false;
    GlPrimitiveRewrite rewrite_;
    GlClipPositions rewriteClip_; // of the vertices a rewritten draw culls
    int swapInterval_ = -2;

    friend class StateBlock;
};

// Bytes of one vertex of `fvf`, 0 for layouts we do not draw.
UINT FvfVertexSize(DWORD fvf);
// GL's polygon mode for D3DRS_FILLMODE, and the face GL culls for D3DRS_CULLMODE (0 for none).
GLenum PolygonModeOf(DWORD fill);
GLenum CulledFaceOf(DWORD cull);

} // namespace qv::d3d
