// An in-process Outlook for capture tests: an application with a namespace, an explorer whose
// selection holds described items, and attachments that save given bytes. Attached messages are
// saved as a marker that CreateItemFromTemplate turns back into the described mail.
#pragma once
#include "FakeDispatch.h"

#include <memory>
#include <string>
#include <vector>

struct FakeMail;

struct FakeAttachment {
    std::wstring fileName;
    std::string bytes;
    std::shared_ptr<FakeMail> message; // for attached messages
    HRESULT saveResult = S_OK;         // what SaveAsFile answers
    bool saveWrites = true;            // whether SaveAsFile writes the file at all
};

struct FakeMail {
    std::wstring subject;
    std::wstring messageClass = L"IPM.Note";
    bool isMail = true;        // answers the mail item interface
    bool classReadable = true; // "MessageClass" can be read
    std::vector<FakeAttachment> attachments;
};

class FakeOutlook {
public:
    FakeOutlook();
    // The items of the explorer's selection, in selection order.
    std::vector<std::shared_ptr<FakeMail>> selection;
    bool hasExplorer = true;
    bool createItemFails = false;

    IDispatch* Application() const { return m_app.Get(); }
    // The names of every member called on any object, in call order ("Object.Member").
    std::vector<std::wstring> calls;

    ComPtr<FakeDispatch> MakeItem(const std::shared_ptr<FakeMail>& mail);

private:
    ComPtr<FakeDispatch> m_app;
    std::vector<std::shared_ptr<FakeMail>> m_messages; // marker index -> attached message
};
