// The members that every command-bar control shares (Office's CommandBarControl), for the
// button and the pop-up objects, which extend that interface. The object is a view on the
// control's data: any number of them may exist for one control and all see the same state.
#pragma once
#include "AutomationText.h"
#include "CommandBarSet.h"
#include "DispatchObject.h"
#include "ErrorInfo.h"
#include "OutlookSubstitute_h.h"

#include <memory>

template <typename Interface, class... More>
class CommandBarControlObject : public DispatchObject<Interface, More...> {
public:
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* result) override {
        return WideToBstr(m_control->caption, result);
    }
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override { return Put(m_control->caption, value); }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* result) override {
        return Get(m_control->enabled, result);
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override {
        return Put(m_control->enabled, value);
    }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* result) override {
        return Get(m_control->visible, result);
    }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override {
        return Put(m_control->visible, value);
    }
    HRESULT STDMETHODCALLTYPE get_TooltipText(BSTR* result) override {
        return WideToBstr(m_control->tooltip, result);
    }
    HRESULT STDMETHODCALLTYPE put_TooltipText(BSTR value) override { return Put(m_control->tooltip, value); }
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* result) override { return WideToBstr(m_control->tag, result); }
    HRESULT STDMETHODCALLTYPE put_Tag(BSTR value) override { return Put(m_control->tag, value); }
    HRESULT STDMETHODCALLTYPE get_Parameter(BSTR* result) override {
        return WideToBstr(m_control->parameter, result);
    }
    HRESULT STDMETHODCALLTYPE put_Parameter(BSTR value) override { return Put(m_control->parameter, value); }
    HRESULT STDMETHODCALLTYPE get_Type(long* result) override { return Get(m_control->type, result); }
    HRESULT STDMETHODCALLTYPE get_Id(long* result) override { return Get(m_control->id, result); }
    // The control's own object; for a pop-up it answers for CommandBarPopup, as in Office.
    HRESULT STDMETHODCALLTYPE get_Control(IDispatch** result) override {
        if (!result)
            return E_POINTER;
        *result = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Execute() override {
        m_set.Click(m_control);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Delete(VARIANT) override {
        if (m_control->action != BuiltinAction::None || m_control->id != kCustomControlId)
            return Fail(E_ACCESSDENIED, L"Built-in controls of the stand-in cannot be deleted.");
        m_set.RemoveControl(m_control.get());
        return S_OK;
    }

protected:
    CommandBarControlObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control)
        : m_set(set), m_control(std::move(control)) {}

    // The interface that every control extends.
    IUnknown* QueryMore(REFIID iid) override {
        if (IsEqualIID(iid, IID_CommandBarControl))
            return static_cast<CommandBarControl*>(static_cast<Interface*>(this));
        return nullptr;
    }

    template <typename T> HRESULT Get(const T& field, T* result) const {
        if (!result)
            return E_POINTER;
        *result = field;
        return S_OK;
    }
    HRESULT Get(bool field, VARIANT_BOOL* result) const {
        if (!result)
            return E_POINTER;
        *result = field ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT Put(std::wstring& field, BSTR value) {
        field = BstrToWide(value);
        m_set.Changed();
        return S_OK;
    }
    HRESULT Put(bool& field, VARIANT_BOOL value) {
        field = value != VARIANT_FALSE;
        m_set.Changed();
        return S_OK;
    }

    CommandBarSet& m_set;
    std::shared_ptr<CommandBarControlData> m_control;
};
