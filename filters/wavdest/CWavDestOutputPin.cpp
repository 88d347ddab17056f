#include "filters/wavdest/CWavDestOutputPin.h"

#include "filters/wavdest/CWavDestFilter.h"

namespace tarnel {

CWavDestOutputPin::CWavDestOutputPin(CWavDestFilter* filter, HRESULT* hr)
    : CTransformOutputPin("Out", filter, hr), m_pWavDest(filter) {}

HRESULT CWavDestOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_WAVE) return S_OK;
    return S_FALSE;
}

HRESULT CWavDestOutputPin::EnumMediaTypes(std::vector<CMediaType>* types) {
    if (!types) return E_POINTER;
    types->clear();
    for (int position = 0;; ++position) {
        CMediaType type;
        if (m_pWavDest->GetMediaType(position, &type) != S_OK) break;
        types->push_back(std::move(type));
    }
    return S_OK;
}

HRESULT CWavDestOutputPin::QueryId(std::string* id) {
    if (!id) return E_POINTER;
    *id = "Out";
    return S_OK;
}

HRESULT CWavDestOutputPin::QueryInternalConnections(std::vector<IPin*>* pins) {
    return E_NOTIMPL;
}

}  // namespace tarnel
