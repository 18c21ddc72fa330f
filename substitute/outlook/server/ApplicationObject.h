// The application object that the stand-in puts into the running-object table.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class ApplicationObject : public DispatchObject<_Application, &IID__Application> {
public:
    explicit ApplicationObject(const ServerState& state);

    HRESULT STDMETHODCALLTYPE GetNamespace(BSTR type, _NameSpace** result) override;
    HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) override;
    HRESULT STDMETHODCALLTYPE CreateItemFromTemplate(BSTR templatePath, VARIANT inFolder,
                                                     IDispatch** result) override;

private:
    const ServerState& m_state;
};
