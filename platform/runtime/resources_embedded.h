// The interface between the program's embedded resources and the resource
// table: the build generates one registrar per embedded file
// (cmake/QvuResources.cmake); nothing else calls this.
#pragma once

#include <cstddef>

namespace platform {

// Adds a resource of the program's module. The bytes are not copied: they
// must live as long as the process, as a constant array does.
void RegisterEmbeddedResource(const char* name, const char* type, const unsigned char* data,
                              std::size_t size);

struct EmbeddedResourceRegistrar {
    EmbeddedResourceRegistrar(const char* name, const char* type, const unsigned char* data,
                              std::size_t size) {
        RegisterEmbeddedResource(name, type, data, size);
    }
};

} // namespace platform
