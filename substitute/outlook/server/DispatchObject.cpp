#include "DispatchObject.h"

com::TypeLibrary& EmbeddedLibrary() {
    static com::TypeLibrary s_library({nullptr, 0, 0, true}, nullptr);
    return s_library;
}
