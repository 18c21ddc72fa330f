// Resource identifiers of the add-in library.
#pragma once

#define IDR_ADDIN_REGISTRY 102
#define IDR_ADDIN_TYPELIB 1
#define IDB_ADDIN_FACE 202
#define IDB_RIBBON_FACE_LARGE 203
#define IDB_RIBBON_FACE_SMALL 204
#define IDR_RIBBON_EXPLORER 301
