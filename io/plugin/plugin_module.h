#pragma once
// What the input and output module adapters share: loading a module and
// finding its table getter, and the texts that cross the plug-in interface
// (UTF-16 there, wide text here), copied inside the crash guard because they
// are the module's memory.
#include <string>
#include <vector>

namespace Plugin {

class ModuleTrustList;

// Loads the module at the path (logged "LoadLibrary: %s" at place) and returns
// it with the address of the exported getter. Throws "LoadLibrary() failed."
// with the loader's text, or "GetProcAddress() failed." (the module freed).
void* loadPluginModule(const std::wstring& path, const char* getterName, const char* place, void*& getter);

// A module's text: one NUL-terminated text, or with list a filter list (pairs
// of texts ended by an empty one) kept whole with its inner NULs. Empty for
// null; a fault while reading it is thrown as the guard's report.
std::wstring copyModuleText(const char16_t* text, bool list, const char* place, const wchar_t* plugin);

// The modules of "%Plugin%" with an extension ("vmi2", "vmo2"; any case), in
// name order, that the trust list accepts; each is asked about once (the
// question may go to the user). Without a trust list no module is taken.
std::vector<std::wstring> findTrustedModules(ModuleTrustList* trustList, const wchar_t* extension);

// Wide text as UTF-16 for a module (paths); code points past U+10FFFF become U+FFFD.
std::u16string toModuleText(const std::wstring& text);

} // namespace Plugin
