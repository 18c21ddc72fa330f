// The stand-in's automation objects: each implements one dual interface of the embedded type
// library (and may add further bases, such as com::EventSource). Name lookup, argument checks and
// coercion go through the type information, so clients get the result codes of a real automation
// server (DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH, ...) instead of
// hand-written guesses.
#pragma once
#include "com/ComObject.h"
#include "com/DualDispatch.h"

#include <windows.h>
#include <oleauto.h>

// The type library embedded in the program, loaded once.
com::TypeLibrary& EmbeddedLibrary();

template <class Interface, class... More>
using DispatchObject = com::Object<com::DualDispatch<Interface, &EmbeddedLibrary>, More...>;
