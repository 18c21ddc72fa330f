#include "ReportTransform.h"

#include "AutomationError.h"
#include "ComPtr.h"
#include "ComString.h"
#include "StringConv.h"
#include "Variant.h"

#include <msxml2.h>
#include <ole2.h>

namespace ReportTransform {

namespace {
// MSXML has no import library for these.
const CLSID CLSID_XmlDocument = {
    0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const CLSID CLSID_XmlFreeThreadedDocument = {
    0xF6D90F12, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const CLSID CLSID_XslTemplate = {
    0x2933BF94, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_XmlDocument2 = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_XslTemplate = {0x2933BF93, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_XmlElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// Creates one service object as the platform's runtime expects: created for IUnknown, run, then
// asked for the interface. Missing interfaces leave the object absent; other failures end the run.
template <typename T> ComPtr<T> CreateAndQuery(const CreateObject& create, REFCLSID clsid, REFIID iid) {
    ComPtr<IUnknown> unknown;
    HRESULT created = create(clsid, unknown.ReleaseAndGetAddressOf());
    ComPtr<T> out;
    if (FAILED(created) || !unknown) {
        if (FAILED(created) && created != E_NOINTERFACE)
            throw CAutomationError(created);
        return out;
    }
    // Running the object only readies it; the query below tells whether it is usable.
    ::OleRun(unknown.Get());
    HRESULT hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    if (FAILED(hr) && hr != E_NOINTERFACE)
        throw CAutomationError(hr);
    return out;
}

// The bytes of the stream from its start to its current position.
std::string WrittenBytes(IStream* stream) {
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    ThrowIfFailed(stream->Seek(zero, STREAM_SEEK_CUR, &end));
    std::string bytes(static_cast<size_t>(end.QuadPart), '\0');
    ThrowIfFailed(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    if (!bytes.empty())
        ThrowIfFailed(stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read));
    bytes.resize(read);
    return bytes;
}
// Gives the loaded report's entries their marks; any that cannot be given are left out.
void MarkEntries(IXMLDOMDocument2* xml, const EntryMarks& marks) {
    ComPtr<IXMLDOMNodeList> entries;
    CComString query(L"/MAILITEM/ATTACHMENTS/ATTACHMENT");
    long count = 0;
    if (FAILED(xml->selectNodes(query.Get(), entries.ReleaseAndGetAddressOf())) || !entries ||
        FAILED(entries->get_length(&count)) || count < 0 || static_cast<size_t>(count) != marks.entryCount)
        return;
    for (const EntryMark& mark : marks.marks) {
        ComPtr<IXMLDOMNode> node;
        ComPtr<IXMLDOMElement> element;
        if (mark.entry >= marks.entryCount ||
            FAILED(entries->get_item(static_cast<long>(mark.entry), node.ReleaseAndGetAddressOf())) ||
            !node ||
            FAILED(node->QueryInterface(IID_XmlElement,
                                        reinterpret_cast<void**>(element.ReleaseAndGetAddressOf()))))
            continue;
        CComString name(AnsiToWide(mark.attribute));
        element->setAttribute(name.Get(), CVariant::FromString(AnsiToWide(mark.value)).Get());
    }
}
} // namespace

HRESULT CreatePlatformObject(REFCLSID clsid, IUnknown** object) {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(object));
}

std::string Run(const std::string& reportPath, const std::string& stylesheetPath, const CreateObject& create,
                const EntryMarks& marks) {
    ComPtr<IXMLDOMDocument2> xml =
        CreateAndQuery<IXMLDOMDocument2>(create, CLSID_XmlDocument, IID_XmlDocument2);
    ComPtr<IXMLDOMDocument2> xsl =
        CreateAndQuery<IXMLDOMDocument2>(create, CLSID_XmlFreeThreadedDocument, IID_XmlDocument2);
    ComPtr<IXSLTemplate> xslTemplate =
        CreateAndQuery<IXSLTemplate>(create, CLSID_XslTemplate, IID_XslTemplate);
    if (!xml || !xsl || !xslTemplate)
        throw CAutomationError(E_POINTER);

    // Whether the loads parsed is not judged here: an unreadable report or stylesheet shows up as
    // a failure of createProcessor or transform, or as what the processor makes of it.
    VARIANT_BOOL loaded = VARIANT_FALSE;
    // Marks need the whole document in memory when the load returns.
    const bool marking = !marks.marks.empty();
    if (marking)
        xml->put_async(VARIANT_FALSE);
    ThrowIfFailed(xml->load(CVariant::FromString(AnsiToWide(reportPath)).Get(), &loaded));
    if (marking && loaded == VARIANT_TRUE)
        MarkEntries(xml.Get(), marks);
    ThrowIfFailed(xsl->load(CVariant::FromString(AnsiToWide(stylesheetPath)).Get(), &loaded));
    // Deliberately unchecked: a stylesheet the template refuses makes createProcessor fail.
    xslTemplate->putref_stylesheet(xsl.Get());
    ComPtr<IXSLProcessor> processor;
    ThrowIfFailed(xslTemplate->createProcessor(processor.ReleaseAndGetAddressOf()));
    if (!processor)
        throw CAutomationError(E_POINTER);

    ComPtr<IStream> stream;
    ThrowIfFailed(::CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()));
    // Deliberately unchecked: without output or input the transform call fails, which is checked.
    processor->put_output(CVariant::FromUnknown(stream.Get()).Get());
    processor->put_input(CVariant::FromDispatch(xml.Get()).Get());
    // done only says whether a transformation may be resumed; a synchronous input always finishes.
    VARIANT_BOOL done = VARIANT_FALSE;
    ThrowIfFailed(processor->transform(&done));
    return WrittenBytes(stream.Get());
}

} // namespace ReportTransform
