// A snapshot of the explorer's selection, in list order (1-based).
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"
#include "ServerState.h"

class SelectionObject : public DispatchObject<Selection> {
public:
    SelectionObject(std::vector<std::shared_ptr<MailMessage>> items, const ServerState& state);

    HRESULT STDMETHODCALLTYPE get_Count(long* result) override;
    HRESULT STDMETHODCALLTYPE Item(long index, IDispatch** result) override;

private:
    std::vector<std::shared_ptr<MailMessage>> m_items;
    const ServerState& m_state;
};
