// The exported entries and the one instance of the process.
#include "CSQLite.h"

#include <memory>
#include <new>

namespace {
// Destroyed by DeleteISQLiteSystem or, at the latest, when the library is
// unloaded.
std::unique_ptr<CSQLite> g_instance;
} // namespace

extern "C" ISQLiteSystem* CreateISQLiteSystem(void* owner)
{
    if (owner == nullptr) {
        return nullptr;
    }
    if (!g_instance) {
        g_instance.reset(new (std::nothrow) CSQLite(owner));
    }
    return g_instance.get();
}

extern "C" void DeleteISQLiteSystem()
{
    g_instance.reset();
}
