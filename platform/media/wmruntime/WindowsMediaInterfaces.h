#pragma once
// The Windows Media interfaces that the WMA profile code and the conversion engine drive: the
// codec information and profile objects of the Windows Media Format runtime, the ASF writer's
// configuration interface and the DMO wrapper's initialisation.
//
// How the pieces fit: WMCreateProfileManager (CWMProfileManager.h) gives a profile manager,
// which also answers IWMCodecInfo3. The codec information lists the audio codecs and, under the
// enumeration settings "_VBRENABLED" and "_PASSESUSED", their formats, each as a stream
// configuration carrying the format's media type and bitrate. A profile made with
// CreateEmptyProfile receives new stream configurations (CreateNewStream, filled in, AddStream);
// IConfigAsfWriter::ConfigureFilterUsingProfile hands it to the ASF writer.
//
// Ownership follows the framework: objects are held by std::shared_ptr, QueryInterface hands
// out non-owning pointers valid while the object lives. Texts are UTF-8.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/ByteOrder.h"
#include "framework/Guids.h"
#include "framework/Interfaces.h"
#include "framework/MediaType.h"

namespace tarnel {

// Value types of properties and enumeration settings (WMT_ATTR_DATATYPE).
enum WMT_ATTR_DATATYPE : int32_t {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,  // 4 bytes, 0 or 1
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

// Profile version of CreateEmptyProfile.
constexpr uint32_t WMT_VER_4_0 = 0x00040000;
constexpr uint32_t WMT_VER_7_0 = 0x00070000;
constexpr uint32_t WMT_VER_8_0 = 0x00080000;
constexpr uint32_t WMT_VER_9_0 = 0x00090000;

// Stream types of the runtime; the same values as the media framework's major types.
inline constexpr GUID WMMEDIATYPE_Audio = MEDIATYPE_Audio;
inline constexpr GUID WMMEDIATYPE_Video = MEDIATYPE_Video;

// Names of the codec enumeration settings and of the stream property.
inline constexpr const char* g_wszVBREnabled = "_VBRENABLED";
inline constexpr const char* g_wszNumPasses = "_PASSESUSED";

// The media type of a stream configuration or codec format.
class IWMMediaProps : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x96406BCE, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF});
    virtual HRESULT GetType(GUID* type) = 0;
    virtual HRESULT GetMediaType(CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type) = 0;
};

class IWMStreamConfig : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x96406BDC, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF});
    virtual HRESULT GetStreamType(GUID* type) = 0;
    virtual HRESULT GetStreamNumber(uint16_t* number) = 0;
    // Stream numbers run from 1 to 63.
    virtual HRESULT SetStreamNumber(uint16_t number) = 0;
    virtual HRESULT GetStreamName(std::string* name) = 0;
    virtual HRESULT SetStreamName(const std::string& name) = 0;
    virtual HRESULT GetConnectionName(std::string* name) = 0;
    virtual HRESULT SetConnectionName(const std::string& name) = 0;
    // Bits per second.
    virtual HRESULT GetBitrate(uint32_t* bitrate) = 0;
    virtual HRESULT SetBitrate(uint32_t bitrate) = 0;
    // Milliseconds.
    virtual HRESULT GetBufferWindow(uint32_t* milliseconds) = 0;
    virtual HRESULT SetBufferWindow(uint32_t milliseconds) = 0;
};

class IWMStreamConfig3 : public IWMStreamConfig {
public:
    static constexpr GUID IID =
        MakeGuid(0xCB164104, 0x3AA9, 0x45A7, {0x9A, 0xC9, 0x4D, 0xAE, 0xE1, 0x31, 0xD6, 0xE1});
    // RFC 1766 language tag, e.g. "en-US".
    virtual HRESULT GetLanguage(std::string* language) = 0;
    virtual HRESULT SetLanguage(const std::string& language) = 0;
};

// Named properties of a stream configuration ("_VBRENABLED").
class IWMPropertyVault : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x72995A79, 0x5A16, 0x4F1C, {0x9E, 0x61, 0xA4, 0xBC, 0x6D, 0x5D, 0x1B, 0x5F});
    virtual HRESULT GetPropertyCount(uint32_t* count) = 0;
    // NS_E_UNSUPPORTED_PROPERTY when the name is not set.
    virtual HRESULT GetPropertyByName(const std::string& name, WMT_ATTR_DATATYPE* type,
                                      std::vector<uint8_t>* value) = 0;
    virtual HRESULT SetProperty(const std::string& name, WMT_ATTR_DATATYPE type,
                                std::span<const uint8_t> value) = 0;
    virtual HRESULT Clear() = 0;
};

class IWMProfile : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x96406BDB, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF});
    virtual HRESULT GetVersion(uint32_t* version) = 0;
    virtual HRESULT GetName(std::string* name) = 0;
    virtual HRESULT SetName(const std::string& name) = 0;
    virtual HRESULT GetDescription(std::string* description) = 0;
    virtual HRESULT SetDescription(const std::string& description) = 0;
    virtual HRESULT GetStreamCount(uint32_t* count) = 0;
    // The profile's own configuration of the stream (changes to it change the profile).
    virtual HRESULT GetStream(uint32_t index, std::shared_ptr<IWMStreamConfig>* config) = 0;
    virtual HRESULT GetStreamByNumber(uint16_t number,
                                      std::shared_ptr<IWMStreamConfig>* config) = 0;
    virtual HRESULT RemoveStreamByNumber(uint16_t number) = 0;
    // Adds a copy of the configuration. E_INVALIDARG for a stream number that is 0 or already
    // taken.
    virtual HRESULT AddStream(IWMStreamConfig* config) = 0;
    // A new configuration of the given stream type, not yet part of the profile.
    virtual HRESULT CreateNewStream(const GUID& streamType,
                                    std::shared_ptr<IWMStreamConfig>* config) = 0;
};

class IWMProfile3 : public IWMProfile {
public:
    static constexpr GUID IID =
        MakeGuid(0x00EF96CC, 0xA461, 0x4546, {0x8B, 0xCD, 0xC9, 0xA2, 0x8F, 0x0E, 0x06, 0xF5});
    // Packets the profile's streams need for the given duration (100 ns units) with packets of
    // the given size in bytes.
    virtual HRESULT GetExpectedPacketCount(uint64_t duration, uint32_t packetSize,
                                           uint64_t* packets) = 0;
};

class IWMProfileManager : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xD16679F2, 0x6CA0, 0x472D, {0x8D, 0x31, 0x2F, 0x5D, 0x55, 0xAE, 0xE1, 0x55});
    virtual HRESULT CreateEmptyProfile(uint32_t version, std::shared_ptr<IWMProfile>* profile) = 0;
};

class IWMCodecInfo : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xA970F41E, 0x34DE, 0x4A98, {0xB3, 0xBA, 0xE4, 0xB3, 0xCA, 0x75, 0x28, 0xF0});
    virtual HRESULT GetCodecInfoCount(const GUID& mediaType, uint32_t* codecs) = 0;
    // Counts under the codec's current enumeration settings.
    virtual HRESULT GetCodecFormatCount(const GUID& mediaType, uint32_t codecIndex,
                                        uint32_t* formats) = 0;
    // A new stream configuration holding the format's media type and bitrate.
    virtual HRESULT GetCodecFormat(const GUID& mediaType, uint32_t codecIndex, uint32_t formatIndex,
                                   std::shared_ptr<IWMStreamConfig>* config) = 0;
};

class IWMCodecInfo2 : public IWMCodecInfo {
public:
    static constexpr GUID IID =
        MakeGuid(0xAA65E273, 0xB686, 0x4056, {0x91, 0xEC, 0xDD, 0x76, 0x8D, 0x4D, 0xF7, 0x10});
    virtual HRESULT GetCodecName(const GUID& mediaType, uint32_t codecIndex, std::string* name) = 0;
    // The format's description ("128 kbps, 44 kHz, stereo CBR") and its configuration (config
    // may be null).
    virtual HRESULT GetCodecFormatDesc(const GUID& mediaType, uint32_t codecIndex,
                                       uint32_t formatIndex,
                                       std::shared_ptr<IWMStreamConfig>* config,
                                       std::string* description) = 0;
};

class IWMCodecInfo3 : public IWMCodecInfo2 {
public:
    static constexpr GUID IID =
        MakeGuid(0x7E51F487, 0x4D93, 0x4F98, {0x8A, 0xB4, 0x27, 0xD0, 0x56, 0x5A, 0xDC, 0x51});
    // Settings that choose which of a codec's format lists is enumerated ("_VBRENABLED",
    // "_PASSESUSED"); they stay with the codec for later calls. NS_E_UNSUPPORTED_PROPERTY when
    // the codec has no such variant.
    virtual HRESULT SetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                               const std::string& name, WMT_ATTR_DATATYPE type,
                                               std::span<const uint8_t> value) = 0;
    virtual HRESULT GetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                               const std::string& name, WMT_ATTR_DATATYPE* type,
                                               std::vector<uint8_t>* value) = 0;
};

// The ASF writer's configuration (queried from the "ASF Mux" filter).
class IConfigAsfWriter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x45086030, 0xF7E4, 0x486A, {0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B});
    virtual HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    virtual HRESULT SetIndexMode(bool indexFile) = 0;
};

// The DMO wrapper filter's initialisation with the media object it is to hold.
class IDMOWrapperFilter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x52D6F586, 0x9F0F, 0x4824, {0x8F, 0xC8, 0xE3, 0x2C, 0xA0, 0x49, 0x30, 0xC2});
    virtual HRESULT Init(const GUID& dmoClsid, const GUID& dmoCategory) = 0;
};

// BOOL and DWORD values as the property calls carry them (4 bytes, little-endian).
inline std::vector<uint8_t> WmDword(uint32_t value) {
    std::vector<uint8_t> bytes(4);
    WriteLe32(bytes.data(), value);
    return bytes;
}
inline bool WmValueAsDword(std::span<const uint8_t> value, uint32_t* out) {
    if (value.size() != 4) return false;
    *out = ReadLe32(value.data());
    return true;
}

}  // namespace tarnel
