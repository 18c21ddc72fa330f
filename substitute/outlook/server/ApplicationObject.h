// The application object that the stand-in puts into the running-object table.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

#include <ocidl.h>

// Also the source of Outlook's ApplicationEvents (the connection point lives in the state).
class ApplicationObject : public DispatchObject<_Application, &IID__Application>,
                          public IConnectionPointContainer {
public:
    explicit ApplicationObject(const ServerState& state);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    HRESULT STDMETHODCALLTYPE GetNamespace(BSTR type, _NameSpace** result) override;
    HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) override;
    HRESULT STDMETHODCALLTYPE CreateItemFromTemplate(BSTR templatePath, VARIANT inFolder,
                                                     IDispatch** result) override;

protected:
    void* OtherInterface(REFIID iid) override;

private:
    const ServerState& m_state;
};
