// Stand-ins for plug-ins the launcher must refuse or cannot use. Built as
// loadable modules by the tests' CMakeLists, one variant per definition:
//   FAKE_INTERFACE_TYPE=n    the layout GetModuleProp reports (0 is ours)
//   FAKE_WITHOUT_MODULE_PROP GetModuleProp is not exported
// None of them has any format: CreateObject always fails.

#include "content/archive/SevenZipAbi.h"

using namespace sevenzip;

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_WITHOUT_MODULE_PROP
FAKE_EXPORT HRESULT GetModuleProp(PropId prop, PropVariant* value)
{
    value->vt = VT_UI4;
    value->ulVal = prop == ModulePropInterfaceType ? FAKE_INTERFACE_TYPE : 0x1A0002u;
    return S_OK;
}
#endif

FAKE_EXPORT HRESULT CreateObject(const Guid*, const Guid*, void** object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

FAKE_EXPORT HRESULT VariantClear(PropVariant* value)
{
    value->vt = VT_EMPTY;
    return S_OK;
}

FAKE_EXPORT void SysFreeString(Bstr) {}

FAKE_EXPORT std::uint32_t SysStringLen(const wchar_t*)
{
    return 0;
}
