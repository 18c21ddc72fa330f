// A button control (Office's _CommandBarButton): face, style, and the Click event through its
// connection point.
#pragma once
#include "CommandBarControlObject.h"
#include "com/ConnectionPoint.h"

class ButtonObject : public CommandBarControlObject<_CommandBarButton, com::EventSource> {
public:
    ButtonObject(CommandBarSet& set, std::shared_ptr<CommandBarControlData> control);

    HRESULT STDMETHODCALLTYPE get_Style(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Style(long value) override;
    HRESULT STDMETHODCALLTYPE get_FaceId(long* result) override;
    HRESULT STDMETHODCALLTYPE put_FaceId(long value) override;
    // Takes the picture on the clipboard (CF_BITMAP) as the face; fails when there is none.
    HRESULT STDMETHODCALLTYPE PasteFace() override;

private:
    com::ConnectionPoint* Events() const override { return m_control->clickEvents.Get(); }
};
