// Resource identifiers of the add-in library.
#pragma once

#define IDR_ADDIN_REGISTRY 102
#define IDR_ADDIN_TYPELIB 1
#define IDB_ADDIN_FACE 202
