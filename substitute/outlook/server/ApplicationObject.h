// The application object that the stand-in puts into the running-object table.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"
#include "com/ConnectionPoint.h"

// Also the source of Outlook's ApplicationEvents (the connection point lives in the state).
class ApplicationObject : public DispatchObject<_Application, com::EventSource> {
public:
    explicit ApplicationObject(const ServerState& state);

    HRESULT STDMETHODCALLTYPE GetNamespace(BSTR type, _NameSpace** result) override;
    HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) override;
    HRESULT STDMETHODCALLTYPE CreateItemFromTemplate(BSTR templatePath, VARIANT inFolder,
                                                     IDispatch** result) override;
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* result) override;

private:
    com::ConnectionPoint* Events() const override { return m_state.applicationEvents.Get(); }

    const ServerState& m_state;
};
