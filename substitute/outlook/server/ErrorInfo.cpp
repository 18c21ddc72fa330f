#include "ErrorInfo.h"

#include "ComPtr.h"

#include <oleauto.h>

HRESULT Fail(HRESULT hr, const wchar_t* text) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(create.ReleaseAndGetAddressOf()))) {
        create->SetSource(const_cast<LPOLESTR>(L"Outlook stand-in"));
        create->SetDescription(const_cast<LPOLESTR>(text));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(IID_IErrorInfo, info)))
            ::SetErrorInfo(0, info.Get());
    }
    return hr;
}
