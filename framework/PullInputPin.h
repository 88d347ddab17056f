#pragma once
// The input pin of a parser that pulls its data: it takes MEDIATYPE_Stream of one subtype (any
// subtype when constructed with GUID_NULL) from a peer offering IAsyncReader, and hands that
// reader to its filter when the connection completes.
#include <string>

#include "framework/BasePin.h"
#include "framework/Interfaces.h"

namespace tarnel {

class CPullInputPin : public CBasePin {
public:
    CPullInputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                  const GUID& subtype);

    // MEDIATYPE_Stream with the pin's subtype.
    HRESULT CheckMediaType(const CMediaType* type) override;
    // The peer must offer IAsyncReader.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    // A pull pin receives no stream control.
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    IAsyncReader* Reader() const { return reader_; }

protected:
    const GUID& subtype() const { return subtype_; }
    // The filter reads the file through `reader`; a failure refuses the connection.
    virtual HRESULT OnReaderConnected(IAsyncReader* reader) = 0;
    virtual void OnReaderDisconnected() = 0;

private:
    GUID subtype_;
    IAsyncReader* reader_ = nullptr;  // the peer's reader while connected
};

}  // namespace tarnel
