#include "FakeOutlook.h"

#include "StringConv.h"
#include "UniqueHandle.h"

#include <fstream>
#include <iterator>

namespace {
const IID kApplicationIid = {0x00063001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kMailItemIid = {0x00063034, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const char kMarker[] = "FAKE-MESSAGE:";

HRESULT ReturnString(VARIANT* result, const std::wstring& text) {
    result->vt = VT_BSTR;
    result->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}
HRESULT ReturnLong(VARIANT* result, long value) {
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
}
void SaveBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(WideToAnsi(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

FakeOutlook::FakeOutlook() {
    m_app = FakeDispatch::Create({kApplicationIid});
    auto ns = FakeDispatch::Create();
    ns->On(L"Logon", [this](const std::vector<VARIANT*>& args, WORD, VARIANT*) {
        calls.push_back(L"Namespace.Logon/" + std::to_wstring(args.size()));
        for (VARIANT* a : args)
            if (a->vt != VT_ERROR || a->scode != DISP_E_PARAMNOTFOUND)
                calls.push_back(L"Namespace.Logon:argument-not-omitted");
        return S_OK;
    });
    m_app->On(L"GetNamespace", [this, ns](const std::vector<VARIANT*>& args, WORD, VARIANT* result) {
        calls.push_back(L"Application.GetNamespace(" + std::wstring(args.at(0)->bstrVal) + L")");
        return ReturnObject(result, ns.Get());
    });
    m_app->On(L"ActiveExplorer", [this](const std::vector<VARIANT*>&, WORD, VARIANT* result) {
        calls.push_back(L"Application.ActiveExplorer");
        if (!hasExplorer)
            return S_OK; // Outlook answers with no explorer at all
        auto explorer = FakeDispatch::Create();
        explorer->On(L"Selection", [this](const std::vector<VARIANT*>&, WORD, VARIANT* result) {
            auto items = FakeDispatch::Create();
            items->On(L"Count", [this](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
                return ReturnLong(r, static_cast<long>(selection.size()));
            });
            items->On(L"Item", [this](const std::vector<VARIANT*>& args, WORD, VARIANT* r) {
                long i = args.at(0)->vt == VT_I4 ? args[0]->lVal : -1;
                calls.push_back(L"Selection.Item(" + std::to_wstring(i) + L")");
                if (i < 1 || i > static_cast<long>(selection.size()))
                    return E_INVALIDARG;
                return ReturnObject(r, MakeItem(selection[static_cast<size_t>(i - 1)]).Get());
            });
            return ReturnObject(result, items.Get());
        });
        return ReturnObject(result, explorer.Get());
    });
    m_app->On(L"CreateItemFromTemplate", [this](const std::vector<VARIANT*>& args, WORD, VARIANT* result) {
        std::wstring path = args.at(0)->bstrVal;
        calls.push_back(L"Application.CreateItemFromTemplate/" + std::to_wstring(args.size()));
        if (createItemFails)
            return static_cast<HRESULT>(0x80030002); // STG_E_FILENOTFOUND
        std::ifstream in(WideToAnsi(path), std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (content.rfind(kMarker, 0) != 0)
            return E_FAIL;
        size_t index = std::stoul(content.substr(sizeof kMarker - 1));
        return ReturnObject(result, MakeItem(m_messages.at(index)).Get());
    });
}

ComPtr<FakeDispatch> FakeOutlook::MakeItem(const std::shared_ptr<FakeMail>& mail) {
    auto item = mail->isMail ? FakeDispatch::Create({kMailItemIid}) : FakeDispatch::Create();
    if (mail->classReadable)
        item->On(L"MessageClass", [mail](const std::vector<VARIANT*>&, WORD flags, VARIANT* r) {
            return flags & DISPATCH_PROPERTYGET ? ReturnString(r, mail->messageClass) : DISP_E_MEMBERNOTFOUND;
        });
    else
        item->Fail(L"MessageClass", E_FAIL);
    item->On(L"Subject", [mail](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        return ReturnString(r, mail->subject);
    });
    item->On(L"Attachments", [this, mail](const std::vector<VARIANT*>&, WORD, VARIANT* r) {
        auto list = FakeDispatch::Create();
        list->On(L"Count", [mail](const std::vector<VARIANT*>&, WORD, VARIANT* c) {
            return ReturnLong(c, static_cast<long>(mail->attachments.size()));
        });
        list->On(L"Item", [this, mail](const std::vector<VARIANT*>& args, WORD, VARIANT* c) {
            long i = args.at(0)->vt == VT_I4 ? args[0]->lVal : -1;
            if (i < 1 || i > static_cast<long>(mail->attachments.size()))
                return E_INVALIDARG;
            const FakeAttachment& a = mail->attachments[static_cast<size_t>(i - 1)];
            auto attachment = FakeDispatch::Create();
            attachment->On(L"FileName", [a](const std::vector<VARIANT*>&, WORD, VARIANT* v) {
                return ReturnString(v, a.fileName);
            });
            attachment->On(L"SaveAsFile", [this, a](const std::vector<VARIANT*>& args, WORD, VARIANT*) {
                std::wstring path = args.at(0)->bstrVal;
                calls.push_back(L"Attachment.SaveAsFile(" + path + L")");
                if (!a.saveWrites)
                    return a.saveResult;
                if (a.message) {
                    m_messages.push_back(a.message);
                    SaveBytes(path, kMarker + std::to_string(m_messages.size() - 1));
                } else {
                    SaveBytes(path, a.bytes);
                }
                return a.saveResult;
            });
            return ReturnObject(c, attachment.Get());
        });
        return ReturnObject(r, list.Get());
    });
    return item;
}
