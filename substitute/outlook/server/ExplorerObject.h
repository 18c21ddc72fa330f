// The active explorer: hands out its window's current selection.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class ExplorerObject : public DispatchObject<_Explorer> {
public:
    explicit ExplorerObject(const ServerState& state);

    HRESULT STDMETHODCALLTYPE get_Selection(Selection** result) override;
    HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** result) override;

private:
    const ServerState& m_state;
};
