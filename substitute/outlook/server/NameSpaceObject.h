// The "MAPI" namespace. Logon accepts anything: the stand-in has no profiles.
#pragma once
#include "DispatchObject.h"
#include "OutlookSubstitute_h.h"

class NameSpaceObject : public DispatchObject<_NameSpace> {
public:
    NameSpaceObject() = default;

    HRESULT STDMETHODCALLTYPE Logon(VARIANT profile, VARIANT password, VARIANT showDialog,
                                    VARIANT newSession) override;
};
