#include "framework/PullParser.h"

#include <algorithm>
#include <utility>

#include "framework/Guids.h"

namespace tarnel {

class CPullParser::ReaderPin final : public CPullInputPin {
public:
    ReaderPin(std::string name, CPullParser* parser, const GUID& subtype, bool offersType)
        : CPullInputPin(std::move(name), parser, &parser->m_Lock, nullptr, subtype),
          parser_(parser),
          offersType_(offersType) {}

    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (!offersType_) return CPullInputPin::GetMediaType(position, type);
        if (!type) return E_POINTER;
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = CMediaType(MEDIATYPE_Stream, subtype());
        return S_OK;
    }

protected:
    HRESULT OnReaderConnected(IAsyncReader* reader) override {
        int64_t total = 0, available = 0;
        HRESULT hr = reader->Length(&total, &available);
        if (FAILED(hr)) return hr;
        AsyncReaderByteSource source(reader, uint64_t(std::max<int64_t>(available, 0)));
        return parser_->ReadFile(source);
    }
    void OnReaderDisconnected() override { parser_->ForgetFile(); }

private:
    CPullParser* parser_;
    bool offersType_;
};

CPullParser::CPullParser(std::string name, const GUID& clsid, std::string inputName,
                         const GUID& subtype, bool offersInputType)
    : CBaseFilter(std::move(name), &m_Lock, clsid),
      m_pInput(std::make_unique<ReaderPin>(std::move(inputName), this, subtype, offersInputType)) {}

CPullParser::~CPullParser() = default;

CBasePin* CPullParser::GetPin(int index) {
    if (index == 0) return m_pInput.get();
    if (index == 1) return m_pOutput.get();
    return nullptr;
}

}  // namespace tarnel
