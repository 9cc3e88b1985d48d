// Modules and their resources. Resources are embedded into the program at
// build time (cmake/QvuResources.cmake); the process has one module, the
// program, and one resource table.
#pragma once

#include "platform/win_types.h"

using HRSRC = struct HRSRC__*;
using HGLOBAL = void*;

// A numeric resource name or type, as the resource compiler writes it.
#define MAKEINTRESOURCEA(id)                                                                       \
    (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(name) ((reinterpret_cast<ULONG_PTR>(name) >> 16) == 0)

// Null gives the program's module. A name gives the program's module when it
// is the program's file name (folder and ".exe" optional, case ignored), else
// null with ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleA(LPCSTR moduleName);

// Looks a resource up by name and type in the program's module (module null
// or the program's). Names and types are compared ignoring case; a numeric id
// (MAKEINTRESOURCEA) matches the text "#id". Null with
// ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND when missing.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// The resource's bytes stay in place for the life of the process and must
// not be written.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resourceData);
