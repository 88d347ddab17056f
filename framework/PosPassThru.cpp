#include "framework/PosPassThru.h"

namespace tarnel {

void* CPosPassThru::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID || iid == IUnknown::IID) return static_cast<IMediaSeeking*>(this);
    return nullptr;
}

HRESULT CPosPassThru::GetPeer(IMediaSeeking** peer) {
    *peer = nullptr;
    if (!m_pPin) return E_NOTIMPL;
    IPin* connected = nullptr;
    if (FAILED(m_pPin->ConnectedTo(&connected)) || !connected) return VFW_E_NOT_CONNECTED;
    *peer = Query<IMediaSeeking>(connected);
    return *peer ? S_OK : E_NOTIMPL;
}

#define TARNEL_FORWARD(call)       \
    IMediaSeeking* peer = nullptr; \
    HRESULT hr = GetPeer(&peer);   \
    if (FAILED(hr)) return hr;     \
    return peer->call;

HRESULT CPosPassThru::GetCapabilities(uint32_t* c){
    TARNEL_FORWARD(GetCapabilities(c))} HRESULT CPosPassThru::CheckCapabilities(uint32_t* c){
    TARNEL_FORWARD(CheckCapabilities(c))} HRESULT CPosPassThru::IsFormatSupported(const GUID* f){
    TARNEL_FORWARD(IsFormatSupported(f))} HRESULT CPosPassThru::QueryPreferredFormat(GUID* f){
    TARNEL_FORWARD(QueryPreferredFormat(f))} HRESULT CPosPassThru::GetTimeFormat(GUID* f){
    TARNEL_FORWARD(GetTimeFormat(f))} HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* f){
    TARNEL_FORWARD(IsUsingTimeFormat(f))} HRESULT CPosPassThru::SetTimeFormat(const GUID* f){
    TARNEL_FORWARD(SetTimeFormat(f))} HRESULT CPosPassThru::GetDuration(int64_t* d){
    TARNEL_FORWARD(GetDuration(d))} HRESULT CPosPassThru::GetStopPosition(int64_t* s){
    TARNEL_FORWARD(GetStopPosition(s))} HRESULT CPosPassThru::GetCurrentPosition(int64_t* c){
    TARNEL_FORWARD(GetCurrentPosition(c))} HRESULT
    CPosPassThru::ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                                    const GUID* sourceFormat){
        TARNEL_FORWARD(ConvertTimeFormat(target, targetFormat, source, sourceFormat))} HRESULT
    CPosPassThru::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                               uint32_t stopFlags){
        TARNEL_FORWARD(SetPositions(current, currentFlags, stop, stopFlags))} HRESULT
    CPosPassThru::GetPositions(int64_t* c, int64_t* s){
        TARNEL_FORWARD(GetPositions(c, s))} HRESULT CPosPassThru::GetAvailable(int64_t* e,
                                                                               int64_t* l){
        TARNEL_FORWARD(GetAvailable(e, l))} HRESULT CPosPassThru::SetRate(double r){
        TARNEL_FORWARD(SetRate(r))} HRESULT CPosPassThru::GetRate(double* r){
        TARNEL_FORWARD(GetRate(r))} HRESULT CPosPassThru::GetPreroll(int64_t* p) {
    TARNEL_FORWARD(GetPreroll(p))
}

#undef TARNEL_FORWARD

}  // namespace tarnel
