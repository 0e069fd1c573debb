// Resources linked into the executable, looked up by type name and id, as the
// operating system's module resources would be. Needs no SDL, so the command-line
// tools can read the archive inside the program.
#pragma once

#include <cstdint>

// A resource's bytes and byte count. Data is null and size 0 when no resource of
// that type and id exists.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    uint32_t size = 0;
};
ResourceBytes findResource(const char* typeName, int id);
// Registers (or replaces) a resource. The bytes must outlive every lookup; the
// embedded archive registers itself this way before the program starts.
void registerResource(const char* typeName, int id, const unsigned char* data, uint32_t size);
// Removes a registered resource.
void unregisterResource(const char* typeName, int id);
