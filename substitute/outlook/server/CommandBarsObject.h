// The command bars of the explorer window (Office's CommandBars).
#pragma once
#include "CommandBarSet.h"
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class CommandBarsObject : public DispatchObject<_CommandBars> {
public:
    CommandBarsObject(CommandBarSet& set, const ServerState& state);

    // Index: a 1-based number or a bar name.
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, CommandBar** result) override;
    HRESULT STDMETHODCALLTYPE get_Count(long* result) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT name, VARIANT position, VARIANT menuBar, VARIANT temporary,
                                  CommandBar** result) override;
    // The first control that matches; no object (and S_OK) when none does, as in Office.
    HRESULT STDMETHODCALLTYPE FindControl(VARIANT type, VARIANT id, VARIANT tag, VARIANT visible,
                                          CommandBarControl** result) override;
    HRESULT STDMETHODCALLTYPE get_ActiveMenuBar(CommandBar** result) override;

private:
    CommandBarSet& m_set;
    const ServerState& m_state;
};
