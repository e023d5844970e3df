// The recording device's scene, state and draw calls: recorded, mirrored for the state
// accessors, and passed on to the real device when forwarding.
#include "support/recording_device.h"

HRESULT RecordingDevice::Present(const RECT* pSourceRect, const RECT* pDestRect,
                                 HWND hDestWindowOverride, const RGNDATA* pDirtyRegion)
{
    HRESULT hr = Commit(Rec("Present").P(pSourceRect).P(pDestRect).P(hDestWindowOverride)
                            .P(pDirtyRegion));
    if (FAILED(hr)) return hr;
    return real_ ? real_->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion) : S_OK;
}

HRESULT RecordingDevice::BeginScene()
{
    HRESULT hr = Commit(Rec("BeginScene"));
    if (FAILED(hr)) return hr;
    return real_ ? real_->BeginScene() : S_OK;
}

HRESULT RecordingDevice::EndScene()
{
    HRESULT hr = Commit(Rec("EndScene"));
    if (FAILED(hr)) return hr;
    return real_ ? real_->EndScene() : S_OK;
}

HRESULT RecordingDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                               float Z, DWORD Stencil)
{
    HRESULT hr = Commit(Rec("Clear").U(Count).P(pRects).U(Flags).U(Color).F(Z).U(Stencil));
    if (FAILED(hr)) return hr;
    return real_ ? real_->Clear(Count, pRects, Flags, Color, Z, Stencil) : S_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    HRESULT hr = RecordState(Rec("SetTransform").U(State).M(pMatrix));
    if (FAILED(hr)) return hr;
    if (!pMatrix) return D3DERR_INVALIDCALL;
    transforms_[State] = *pMatrix;
    return real_ ? real_->SetTransform(State, pMatrix) : S_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    HRESULT hr = Commit(Rec("GetTransform").U(State));
    if (FAILED(hr)) return hr;
    if (!pMatrix) return D3DERR_INVALIDCALL;
    *pMatrix = Transform(State);
    return S_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    HRESULT hr = RecordState(Rec("SetMaterial").Mat(pMaterial));
    if (FAILED(hr)) return hr;
    if (!pMaterial) return D3DERR_INVALIDCALL;
    material_ = *pMaterial;
    return real_ ? real_->SetMaterial(pMaterial) : S_OK;
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* pMaterial)
{
    HRESULT hr = Commit(Rec("GetMaterial"));
    if (FAILED(hr)) return hr;
    if (!pMaterial) return D3DERR_INVALIDCALL;
    *pMaterial = material_;
    return S_OK;
}

HRESULT RecordingDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight)
{
    HRESULT hr = RecordState(Rec("SetLight").U(Index).L(pLight));
    if (FAILED(hr)) return hr;
    if (!pLight) return D3DERR_INVALIDCALL;
    return real_ ? real_->SetLight(Index, pLight) : S_OK;
}

HRESULT RecordingDevice::LightEnable(DWORD Index, BOOL Enable)
{
    HRESULT hr = RecordState(Rec("LightEnable").U(Index).S(Enable));
    if (FAILED(hr)) return hr;
    return real_ ? real_->LightEnable(Index, Enable) : S_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    HRESULT hr = RecordState(Rec("SetRenderState").U(State).U(Value));
    if (FAILED(hr)) return hr;
    renderStates_[State] = Value;
    return real_ ? real_->SetRenderState(State, Value) : S_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    HRESULT hr = Commit(Rec("GetRenderState").U(State));
    if (FAILED(hr)) return hr;
    if (!pValue) return D3DERR_INVALIDCALL;
    *pValue = RenderState(State);
    return S_OK;
}

HRESULT RecordingDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    HRESULT hr = Commit(Rec("GetTexture").U(Stage));
    if (FAILED(hr)) return hr;
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = BoundTexture(Stage);
    if (*ppTexture) (*ppTexture)->AddRef();
    return S_OK;
}

// Binding takes no reference here: the recorder only notes which texture a stage holds.
HRESULT RecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    HRESULT hr = RecordState(Rec("SetTexture").U(Stage).P(pTexture));
    if (FAILED(hr)) return hr;
    textures_[Stage] = pTexture;
    return real_ ? real_->SetTexture(Stage, UnwrapAs<FakeTexture>(*this, pTexture)) : S_OK;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    HRESULT hr = Commit(Rec("GetTextureStageState").U(Stage).U(Type));
    if (FAILED(hr)) return hr;
    if (!pValue) return D3DERR_INVALIDCALL;
    *pValue = TextureStageState(Stage, Type);
    return S_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    HRESULT hr = RecordState(Rec("SetTextureStageState").U(Stage).U(Type).U(Value));
    if (FAILED(hr)) return hr;
    stageStates_[{Stage, Type}] = Value;
    return real_ ? real_->SetTextureStageState(Stage, Type, Value) : S_OK;
}

HRESULT RecordingDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    HRESULT hr = Commit(Rec("GetSamplerState").U(Sampler).U(Type));
    if (FAILED(hr)) return hr;
    if (!pValue) return D3DERR_INVALIDCALL;
    *pValue = SamplerState(Sampler, Type);
    return S_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    HRESULT hr = RecordState(Rec("SetSamplerState").U(Sampler).U(Type).U(Value));
    if (FAILED(hr)) return hr;
    samplerStates_[{Sampler, Type}] = Value;
    return real_ ? real_->SetSamplerState(Sampler, Type, Value) : S_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                       UINT PrimitiveCount)
{
    HRESULT hr = Commit(Rec("DrawPrimitive").U(PrimitiveType).U(StartVertex).U(PrimitiveCount));
    if (FAILED(hr)) return hr;
    return real_ ? real_->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount) : S_OK;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                              UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                              UINT primCount)
{
    HRESULT hr = Commit(Rec("DrawIndexedPrimitive").U(PrimitiveType).S(BaseVertexIndex)
                            .U(MinVertexIndex).U(NumVertices).U(startIndex).U(primCount));
    if (FAILED(hr)) return hr;
    return real_ ? real_->DrawIndexedPrimitive(PrimitiveType, BaseVertexIndex, MinVertexIndex,
                                               NumVertices, startIndex, primCount)
                 : S_OK;
}

HRESULT RecordingDevice::SetFVF(DWORD FVF)
{
    HRESULT hr = RecordState(Rec("SetFVF").U(FVF));
    if (FAILED(hr)) return hr;
    fvf_ = FVF;
    return real_ ? real_->SetFVF(FVF) : S_OK;
}

HRESULT RecordingDevice::GetFVF(DWORD* pFVF)
{
    HRESULT hr = Commit(Rec("GetFVF"));
    if (FAILED(hr)) return hr;
    if (!pFVF) return D3DERR_INVALIDCALL;
    *pFVF = fvf_;
    return S_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                         UINT OffsetInBytes, UINT Stride)
{
    HRESULT hr = RecordState(Rec("SetStreamSource").U(StreamNumber).P(pStreamData).U(OffsetInBytes)
                                 .U(Stride));
    if (FAILED(hr)) return hr;
    return real_ ? real_->SetStreamSource(StreamNumber, UnwrapAs<FakeVertexBuffer>(*this, pStreamData),
                                          OffsetInBytes, Stride)
                 : S_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    HRESULT hr = RecordState(Rec("SetIndices").P(pIndexData));
    if (FAILED(hr)) return hr;
    return real_ ? real_->SetIndices(UnwrapAs<FakeIndexBuffer>(*this, pIndexData)) : S_OK;
}
