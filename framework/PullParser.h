#pragma once
// CPullParser: a parser filter with two pins, an input pin that pulls the file from the File
// Source's IAsyncReader (pin 0) and the output pin the parser makes (pin 1). The input pin
// reads the file when it connects: ReadFile gets it as a byte source and its failure refuses
// the connection; ForgetFile follows the disconnection.
//
// Threads: connection calls on the application thread while stopped; the output pin's
// streaming thread reads what ReadFile kept. The parser's destructor stops the filter before
// its own members go, since the streaming thread reads them.
#include <memory>
#include <string>

#include "framework/AsyncReaderByteSource.h"
#include "framework/BaseFilter.h"
#include "framework/PullInputPin.h"

namespace tarnel {

class CPullParser : public CBaseFilter {
public:
    ~CPullParser() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;

    CPullInputPin* InputPin() const { return m_pInput.get(); }

protected:
    // The input pin takes MEDIATYPE_Stream of `subtype` and, with `offersInputType`, lists it
    // as its one type.
    CPullParser(std::string name, const GUID& clsid, std::string inputName, const GUID& subtype,
                bool offersInputType);

    // Takes the output pin (made by the parser's constructor) and returns it.
    template <class Pin>
    Pin* SetOutputPin(std::unique_ptr<Pin> pin) {
        Pin* raw = pin.get();
        m_pOutput = std::move(pin);
        return raw;
    }

    // S_OK, or the failure that refuses the connection.
    virtual HRESULT ReadFile(AsyncReaderByteSource& source) = 0;
    virtual void ForgetFile() = 0;

    CCritSec m_Lock;  // the filter's state lock, shared by the pins

private:
    class ReaderPin;

    std::unique_ptr<CPullInputPin> m_pInput;
    std::unique_ptr<CBasePin> m_pOutput;
};

}  // namespace tarnel
