// The object a COM add-in receives as its own entry in the host (Office's COMAddIn): its ProgID,
// description and whether it is connected now.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"

#include <memory>
#include <string>

class AddinInstanceObject : public DispatchObject<COMAddIn> {
public:
    AddinInstanceObject(std::wstring progId, std::wstring description, std::shared_ptr<const bool> connected);

    HRESULT STDMETHODCALLTYPE get_Description(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_ProgId(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_Connect(VARIANT_BOOL* result) override;

private:
    std::wstring m_progId;
    std::wstring m_description;
    std::shared_ptr<const bool> m_connected;
};
