// One command bar (Office's CommandBar).
#pragma once
#include "CommandBarSet.h"
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"

class CommandBarObject : public DispatchObject<CommandBar> {
public:
    CommandBarObject(CommandBarSet& set, std::shared_ptr<CommandBarData> bar);

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** result) override;
    HRESULT STDMETHODCALLTYPE get_Position(long* result) override;
    HRESULT STDMETHODCALLTYPE get_Type(long* result) override;
    HRESULT STDMETHODCALLTYPE Delete() override;

private:
    CommandBarSet& m_set;
    std::shared_ptr<CommandBarData> m_bar;
};
