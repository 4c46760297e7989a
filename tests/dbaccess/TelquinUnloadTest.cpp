// The library loaded only with dlopen, the way a caller binds it at run
// time: unloading it must destroy a live instance (the sanitizer build
// reports it as a leak otherwise).
#include "ISQLiteSystem.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {
using CreateFn = ISQLiteSystem* (*)(void*);

ISQLiteSystem* createFrom(void* library, void* owner)
{
    auto create = reinterpret_cast<CreateFn>(dlsym(library, "CreateISQLiteSystem"));
    return create != nullptr ? create(owner) : nullptr;
}
} // namespace

TEST(TelquinUnload, UnloadDestroysTheLiveInstanceAndItsConnection)
{
    int owner = 0;
    for (int round = 0; round < 2; ++round) {
        void* library = dlopen(TELQUIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        ISQLiteSystem* db = createFrom(library, &owner);
        ASSERT_NE(db, nullptr);
        ASSERT_EQ(db->OpenOrCreateDB(":memory:"), 1);
        ASSERT_EQ(db->ExecSQLQuiet("CREATE TABLE t(a); INSERT INTO t VALUES(1)"), 1);
        std::vector<std::vector<std::string>> rows;
        ASSERT_EQ(db->QuerySQL("SELECT a FROM t", rows), 1);
        EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1"}}));

        ASSERT_EQ(dlclose(library), 0);
        // Really gone, so the next round starts from a freshly loaded library.
        EXPECT_EQ(dlopen(TELQUIN_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
}
