#include "NameSpaceObject.h"

#include "CallBudget.h"

HRESULT NameSpaceObject::Logon(VARIANT, VARIANT, VARIANT, VARIANT) {
    CallBudget::Spend();
    return S_OK;
}
