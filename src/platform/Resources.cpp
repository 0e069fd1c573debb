#include "platform/Resources.h"

#include <map>
#include <string>
#include <utility>

namespace {

using ResourceKey = std::pair<std::string, int>;

std::map<ResourceKey, ResourceBytes>& resourceTable() {
    static std::map<ResourceKey, ResourceBytes> table;
    return table;
}

} // namespace

ResourceBytes findResource(const char* typeName, int id) {
    const auto found = resourceTable().find({typeName, id});
    return found == resourceTable().end() ? ResourceBytes{} : found->second;
}

void registerResource(const char* typeName, int id, const unsigned char* data, uint32_t size) {
    resourceTable()[{typeName, id}] = ResourceBytes{data, size};
}

void unregisterResource(const char* typeName, int id) {
    resourceTable().erase({typeName, id});
}
