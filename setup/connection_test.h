// The connection test of the properties dialog: attach to the database with
// the five texts the user entered, through the Firebird client library that
// the setup library bound at load, and detach again at once.
#pragma once

#include <string>

struct ConnectionTestInput {
    std::string user;
    std::string password;  // as typed
    std::string charset;
    std::string role;
    std::string database;
};

enum class ConnectionTestOutcome { connected, failed, no_client };

struct ConnectionTestResult {
    ConnectionTestOutcome outcome;
    std::string message;  // the server's messages, joined by blanks, on failure
};

// The test's database parameter buffer: the version byte; the user name and
// then the password only when the user name is not empty; the character set
// and the role when given.
std::string connection_test_dpb(const ConnectionTestInput& input);

ConnectionTestResult run_connection_test(const ConnectionTestInput& input);
