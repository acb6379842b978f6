// A HandleTest whose connection is attached to an embedded database of its
// own: created with isql-fb in a new directory under /tmp, with a schema run
// after the CREATE DATABASE, and removed when the test ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "connection.h"
#include "unit_support.h"

class EmbeddedDatabaseTest : public HandleTest {
protected:
    // Creates the database (UTF8, dialect 3), runs `schema` (SQL statements
    // each ending in ";") and attaches the connection as SYSDBA.
    void create_and_attach(const std::string& schema = "")
    {
        char dir_template[] = "/tmp/brolix-unit-XXXXXX";
        ASSERT_NE(mkdtemp(dir_template), nullptr);
        dir_ = dir_template;
        const std::string path = dir_ + "/test.fdb";
        std::ofstream(dir_ + "/create.sql") << "CREATE DATABASE '" << path
                                            << "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n"
                                            << schema << "\n";
        const std::string command = "isql-fb -q -i '" + dir_ + "/create.sql' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "isql-fb could not create " << path;
        Connection& c = connection();
        std::snprintf(c.database, sizeof c.database, "%s", path.c_str());
        std::snprintf(c.user, sizeof c.user, "SYSDBA");
        std::snprintf(c.charset, sizeof c.charset, "UTF8");
        c.dialect = 3;
        ASSERT_EQ(attach(c), SQL_SUCCESS);
    }

    void TearDown() override
    {
        if (connection().db_handle != 0) {
            EXPECT_EQ(disconnect(connection()), SQL_SUCCESS);
        }
        if (!dir_.empty()) {
            std::remove((dir_ + "/test.fdb").c_str());
            std::remove((dir_ + "/create.sql").c_str());
            rmdir(dir_.c_str());
        }
        HandleTest::TearDown();
    }

    std::string dir_;
};
