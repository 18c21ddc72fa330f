// A button control (Office's _CommandBarButton): face, style, and the Click event through its
// connection point.
#pragma once
#include "CommandBarControlObject.h"

#include <ocidl.h>

class ButtonObject : public CommandBarControlObject<_CommandBarButton, &IID__CommandBarButton>,
                     public IConnectionPointContainer {
public:
    ButtonObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_Style(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Style(long value) override;
    HRESULT STDMETHODCALLTYPE get_FaceId(long* result) override;
    HRESULT STDMETHODCALLTYPE put_FaceId(long value) override;
    // Takes the picture on the clipboard (CF_BITMAP) as the face; fails when there is none.
    HRESULT STDMETHODCALLTYPE PasteFace() override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

protected:
    void* OtherInterface(REFIID iid) override;
};
