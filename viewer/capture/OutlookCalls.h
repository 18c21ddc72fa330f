// Every call that a capture makes on Outlook's objects, late-bound by name. A call on an absent
// object, and every failure that a capture judges, raises CAutomationError; other result codes are
// not examined, and the caller relies only on the object or value returned.
#pragma once
#include "ComPtr.h"
#include "Dispatch.h"

#include <oaidl.h>

#include <string>

namespace OutlookCalls {

// The running instance of the class as _Application; null when none runs or it does not answer
// for that interface. Outlook is never started.
ComPtr<IDispatch> AttachToRunning(const CLSID& outlookClass);
// _Application.GetNamespace("MAPI").
ComPtr<IDispatch> GetNamespace(IDispatch* application);
// _NameSpace.Logon with all four arguments omitted.
void Logon(IDispatch* nameSpace);
ComPtr<IDispatch> ActiveExplorer(IDispatch* application);
// The last item of the explorer's selection; an absent one raises E_POINTER.
ComPtr<IDispatch> LastSelectedItem(IDispatch* explorer);
// The item's "MessageClass" read by name, in the ANSI code page; empty when it cannot be read.
std::string MessageClass(IDispatch* item);
// The item as _MailItem; null when it is no mail item (E_NOINTERFACE).
ComPtr<IDispatch> AsMailItem(IDispatch* item);
// _MailItem.Subject in the ANSI code page.
std::string Subject(IDispatch* mailItem);

// The attachment calls of a walk. The caches keep the member ids of the objects of one type.
ComPtr<IDispatch> Attachments(IDispatch* mailItem, Dispatch::CDispIdCache& mailIds);
long Count(IDispatch* attachments, Dispatch::CDispIdCache& collectionIds);
// Attachments.Item(index); an absent one raises E_POINTER.
ComPtr<IDispatch> Item(IDispatch* attachments, long index, Dispatch::CDispIdCache& collectionIds);
std::wstring FileName(IDispatch* attachment, Dispatch::CDispIdCache& attachmentIds);
// Attachment.SaveAsFile(path); the result tells only whether a file found there is this save's.
HRESULT SaveAsFile(IDispatch* attachment, const std::wstring& path, Dispatch::CDispIdCache& attachmentIds);
// _Application.CreateItemFromTemplate(path) with the folder omitted, as _MailItem: null when the
// item is no mail item. The item is released unsaved with the pointer.
ComPtr<IDispatch> OpenMessageFile(IDispatch* application, const std::wstring& path);

} // namespace OutlookCalls
