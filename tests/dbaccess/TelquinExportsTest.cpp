#include "TelquinFixture.h"

#include <dlfcn.h>
#include <sqlite3.h>

namespace {
using CreateFn = ISQLiteSystem* (*)(void*);
using DeleteFn = void (*)();
} // namespace

TEST(TelquinExports, NullOwnerGetsNoInstance)
{
    EXPECT_EQ(CreateISQLiteSystem(nullptr), nullptr);
    int owner = 0;
    ASSERT_NE(CreateISQLiteSystem(&owner), nullptr);
    EXPECT_EQ(CreateISQLiteSystem(nullptr), nullptr);
    DeleteISQLiteSystem();
}

TEST(TelquinExports, LaterCallsReturnTheFirstInstanceUntilDeleted)
{
    int firstOwner = 0;
    int secondOwner = 0;
    ISQLiteSystem* first = CreateISQLiteSystem(&firstOwner);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CreateISQLiteSystem(&secondOwner), first);
    EXPECT_EQ(CreateISQLiteSystem(&firstOwner), first);

    DeleteISQLiteSystem();
    DeleteISQLiteSystem(); // nothing left to delete
    ISQLiteSystem* fresh = CreateISQLiteSystem(&secondOwner);
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(fresh->OpenOrCreateDB(":memory:"), 1);
    EXPECT_EQ(fresh->ExecSQLQuiet("CREATE TABLE t(a)"), 1);
    EXPECT_EQ(fresh->CloseDB(), SQLITE_OK);
    DeleteISQLiteSystem();
}

TEST_F(Telquin, DeleteWithAnOpenDatabaseKeepsCommittedRows)
{
    openNew();
    ASSERT_EQ(db_->ExecSQLQuiet("CREATE TABLE t(a); INSERT INTO t VALUES('kept')"), 1);
    DeleteISQLiteSystem(); // releases the connection it still holds

    db_ = CreateISQLiteSystem(&owner_);
    ASSERT_NE(db_, nullptr);
    ASSERT_EQ(db_->OpenDB(dbPath("test.db").c_str()), 1);
    EXPECT_EQ(query("SELECT a FROM t"), (Rows{{"kept"}}));
}

TEST_F(Telquin, DlopenedEntriesServeTheSameInstance)
{
    void* library = dlopen(TELQUIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto create = reinterpret_cast<CreateFn>(dlsym(library, "CreateISQLiteSystem"));
    auto destroy = reinterpret_cast<DeleteFn>(dlsym(library, "DeleteISQLiteSystem"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(destroy, nullptr);

    int otherOwner = 0;
    ISQLiteSystem* loaded = create(&otherOwner);
    EXPECT_EQ(loaded, db_);
    EXPECT_EQ(create(nullptr), nullptr);
    ASSERT_EQ(loaded->OpenOrCreateDB(":memory:"), 1);
    ASSERT_EQ(loaded->ExecSQLQuiet("CREATE TABLE t(a, b)"), 1);
    ASSERT_EQ(loaded->ExecParams("INSERT INTO t VALUES(?, ?)", {"x", "y"}), 1);
    Rows rows;
    ASSERT_EQ(loaded->QuerySQL("SELECT a, b FROM t", rows), 1);
    EXPECT_EQ(rows, (Rows{{"x", "y"}}));
    EXPECT_EQ(loaded->CloseDB(), SQLITE_OK);

    destroy();
    db_ = CreateISQLiteSystem(&owner_); // for the fixture's own checks
    ASSERT_NE(db_, nullptr);
    EXPECT_EQ(dlclose(library), 0);
}
