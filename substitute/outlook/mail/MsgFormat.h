// Names and numbers of the .msg compound-file layout shared by the reader and the writer.
#pragma once
#include <cstdint>

namespace msg {

// Property tags: property id in the high word, type in the low word.
constexpr uint16_t kTypeLong = 0x0003;
constexpr uint16_t kTypeString8 = 0x001E;
constexpr uint16_t kTypeUnicode = 0x001F;
constexpr uint16_t kTypeBinary = 0x0102;
constexpr uint16_t kTypeObject = 0x000D;

constexpr uint16_t kMessageClass = 0x001A;
constexpr uint16_t kSubject = 0x0037;
constexpr uint16_t kSentRepresentingName = 0x0042;
constexpr uint16_t kSenderName = 0x0C1A;
constexpr uint16_t kSenderEmail = 0x0C1F;
constexpr uint16_t kDisplayTo = 0x0E04;
constexpr uint16_t kMessageFlags = 0x0E07;
constexpr uint16_t kAttachNum = 0x0E21;
constexpr uint16_t kObjectType = 0x0FFE;
constexpr uint16_t kDisplayName = 0x3001;
constexpr uint16_t kEmailAddress = 0x3003;
constexpr uint16_t kAddressType = 0x3002;
constexpr uint16_t kStoreSupportMask = 0x340D;
constexpr uint16_t kAttachData = 0x3701;
constexpr uint16_t kAttachExtension = 0x3703;
constexpr uint16_t kAttachFileName = 0x3704;
constexpr uint16_t kAttachMethod = 0x3705;
constexpr uint16_t kAttachLongFileName = 0x3707;
constexpr uint16_t kRenderingPosition = 0x370B;
constexpr uint16_t kAttachMimeTag = 0x370E;
constexpr uint16_t kRecipientType = 0x0C15;
constexpr uint16_t kInternetCodePage = 0x3FDE;
constexpr uint16_t kMessageCodePage = 0x3FFD;

constexpr uint32_t Tag(uint16_t id, uint16_t type) {
    return (uint32_t(id) << 16) | type;
}

constexpr uint32_t kAttachByValue = 1;
constexpr uint32_t kAttachEmbeddedMessage = 5;
constexpr uint32_t kAttachOle = 6;
constexpr uint32_t kStoreUnicodeOk = 0x00040000;
constexpr uint32_t kObjectTypeMessage = 5;
constexpr uint32_t kObjectTypeAttachment = 7;
constexpr uint32_t kObjectTypeMailUser = 6;
constexpr uint32_t kRecipientTo = 1;
constexpr uint32_t kPropertyReadWrite = 0x00000006;

// Header sizes of the property stream before its 16-byte entries.
constexpr unsigned kHeaderTopLevel = 32;
constexpr unsigned kHeaderEmbedded = 24;
constexpr unsigned kHeaderAttachOrRecipient = 8;
constexpr unsigned kEntrySize = 16;

constexpr const wchar_t* kPropertiesStream = L"__properties_version1.0";
constexpr const wchar_t* kNameIdStorage = L"__nameid_version1.0";
constexpr const wchar_t* kAttachPrefix = L"__attach_version1.0_#";
constexpr const wchar_t* kRecipPrefix = L"__recip_version1.0_#";
constexpr const wchar_t* kEmbeddedStorage = L"__substg1.0_3701000D";

// The same names in UTF-8, for the storage-independent reader.
constexpr const char* kPropertiesStreamName = "__properties_version1.0";
constexpr const char* kAttachPrefixName = "__attach_version1.0_#";
constexpr const char* kRecipPrefixName = "__recip_version1.0_#";
constexpr const char* kEmbeddedStorageName = "__substg1.0_3701000D";

} // namespace msg
