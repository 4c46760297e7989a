#include "camerasystemext.h"

#include <dlfcn.h>

IHikSystemHeadExt* FindHikSystemHeadExt(IHikSystemHead* system)
{
    if (system == nullptr)
        return nullptr;
    // The library is loaded with the program; a library that does not know
    // system answers null.
    void* const entry = dlsym(RTLD_DEFAULT, kHikSystemHeadExtEntry);
    if (entry == nullptr)
        return nullptr;
    return reinterpret_cast<GetIHikSystemHeadExtFn>(entry)(system);
}
