// The pieces of attaching that need no server: the database parameter
// buffer and the reading of the server's version answer.
#include <cstring>
#include <string>

#include "connection.h"
#include "unit_support.h"

namespace {

using Attach = HandleTest;

TEST_F(Attach, ParameterBufferHoldsTheGivenItemsInOrder)
{
    Connection& c = connection();
    EXPECT_EQ(build_dpb(c, ""), std::string(1, isc_dpb_version1)) << "nothing given, nothing sent";

    std::strcpy(c.user, "SYSDBA");
    std::strcpy(c.charset, "UTF8");
    std::strcpy(c.role, "R");
    const std::string expected = std::string{isc_dpb_version1} +
                                 std::string{isc_dpb_user_name, 6} + "SYSDBA" +
                                 std::string{isc_dpb_password, 3} + "key" +
                                 std::string{isc_dpb_lc_ctype, 4} + "UTF8" +
                                 std::string{isc_dpb_sql_role_name, 1} + "R";
    EXPECT_EQ(build_dpb(c, "key"), expected);

    // Names beyond ASCII are marked as UTF-8 for the client.
    std::strcpy(c.role, "\xD0\xAF");
    std::string dpb = build_dpb(c, "key");
    EXPECT_EQ(dpb.substr(dpb.size() - 2), (std::string{isc_dpb_utf8_filename, 0}));
}

std::string version_answer(const std::string& text)
{
    // item, 2-byte little-endian length, count, text length, text, end
    std::string data = std::string{1, static_cast<char>(text.size())} + text;
    std::string answer{isc_info_isc_version, static_cast<char>(data.size()), 0};
    return answer + data + std::string(1, isc_info_end);
}

TEST_F(Attach, ServerVersionComesFromTheVersionText)
{
    struct Case {
        std::string text;
        int major, minor;
    };
    const Case cases[] = {
        {"LI-V6.3.11.33637 Firebird 3.0", 6, 3},
        {"WI-V2.5.9.27139 Firebird 2.5", 2, 5},
        {"LI-V", 0, 0},  // too short: left as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        connection().server_major = 0;
        connection().server_minor = 0;
        std::string answer = version_answer(c.text);
        read_server_version(connection(), answer.data(), answer.size());
        EXPECT_EQ(connection().server_major, c.major);
        EXPECT_EQ(connection().server_minor, c.minor);
    }
    // A length running past the answer is not followed.
    std::string bad = version_answer("LI-V6.3.11");
    bad[1] = 100;
    read_server_version(connection(), bad.data(), bad.size());
}

}  // namespace
