#pragma once
// Loadable modules (shared objects) and the module that holds an address.
#include <string>

namespace Platform::Os {

// Returns null on failure and puts the loader's message into error.
void* loadModule(const std::string& path, std::string& error);
void* findSymbol(void* module, const char* name);
// The same; on failure error holds the loader's message.
void* findSymbol(void* module, const char* name, std::string& error);
void freeModule(void* module);
// File name (without folder) of the loaded module containing address; empty when none.
std::string moduleNameOf(const void* address);

} // namespace Platform::Os
