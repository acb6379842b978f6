// Diagnostic records: posting, clearing, the SQLCODE map, and the conversion
// of real client status vectors.
#include <string>

#include "unit_support.h"

namespace {

using Diagnostics = HandleTest;

TEST_F(Diagnostics, RecordsQueueOldestFirstAndClearTogether)
{
    Connection& c = connection();
    post_error(&c, "HY000");
    post_warning(&c, "01004");
    post_error(&c, "42S22", 5, nullptr, origin_odbc3);
    ASSERT_EQ(c.diag_count, 3);
    EXPECT_STREQ(diag_record(&c, 1)->sqlstate, "HY000");
    EXPECT_STREQ(diag_record(&c, 1)->message_text, "General Error");
    EXPECT_STREQ(diag_record(&c, 2)->message_text, "String data, right truncated");
    EXPECT_STREQ(diag_record(&c, 3)->message_text, "Column not found in table ");
    EXPECT_STREQ(diag_record(&c, 3)->class_origin, "ODBC 3.0");
    EXPECT_EQ(diag_record(&c, 3)->native_error, 5);
    EXPECT_EQ(diag_record(&c, 4), nullptr);
    EXPECT_EQ(diag_record(&c, 0), nullptr);
    clear_diags(&c);
    EXPECT_EQ(c.diag_count, 0);
    EXPECT_EQ(c.diag_list, nullptr);
}

TEST_F(Diagnostics, LongMessagesAreCutWithoutBreakingACharacter)
{
    Connection& c = connection();
    // 510 ASCII bytes then a two-byte character: the character does not fit
    // in 511 bytes and must not be split.
    std::string message(510, 'x');
    message += "\xC3\xA9 tail";
    post_error(&c, "HY000", 0, message.c_str());
    EXPECT_EQ(std::string(diag_record(&c, 1)->message_text), std::string(510, 'x'));
    std::string plain(600, 'y');
    post_error(&c, "HY000", 0, plain.c_str());
    EXPECT_EQ(std::string(diag_record(&c, 2)->message_text).size(), 511u);
}

TEST(SqlcodeMap, ChoosesTheSqlstateFromTheServerCode)
{
    struct Case {
        long sqlcode;
        const char* sqlstate;
    };
    const Case cases[] = {
        {-902, "08S01"}, {-803, "23000"}, {-104, "42000"}, {-913, "40001"}, {-833, "22008"},
        {-802, "22012"}, {-501, "24000"}, {-413, "22019"}, {-313, "07002"}, {-282, "42S01"},
        {-206, "42S22"}, {-204, "42S02"}, {-157, "21S02"}, {-103, "22003"}, {-85, "08001"},
        {-607, "HY000"}, {0, "HY000"}, {100, "HY000"},
    };
    for (const Case& c : cases) EXPECT_STREQ(sqlstate_for_sqlcode(c.sqlcode), c.sqlstate) << c.sqlcode;
}

// Status vectors as the client returns them, built from Firebird's codes.
TEST_F(Diagnostics, ConnectionFailureBecomesOneRecordWithJoinedTexts)
{
    Connection& c = connection();
    const ISC_STATUS vector[] = {isc_arg_gds, isc_login, isc_arg_gds, isc_net_read_err, isc_arg_end};
    std::copy(std::begin(vector), std::end(vector), c.status);
    post_connection_status(&c);

    const DiagRecord* record = diag_record(&c, 1);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->sqlstate, "08S01");
    EXPECT_EQ(record->native_error, -902);
    std::string text = record->message_text;
    EXPECT_EQ(text.find("Your user name and password are not defined"), 0u) << text;
    EXPECT_NE(text.find(", Error reading data from the connection"), std::string::npos) << text;
    EXPECT_EQ(c.connection_dead, 1);
    EXPECT_EQ(c.reprompt, 1);
}

TEST_F(Diagnostics, StatementFailuresMapTheirSqlcode)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    struct Case {
        ISC_STATUS code;
        const char* sqlstate;
        long sqlcode;
    };
    // unique key violation (-803), lost metadata update (-607, unmapped),
    // network failure (-902, marks the connection dead).
    const Case cases[] = {
        {isc_unique_key_violation, "23000", -803},
        {isc_no_meta_update, "HY000", -607},
        {isc_network_error, "08S01", -902},
    };
    s.row_index = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sqlcode);
        clear_diags(&s);
        ISC_STATUS vector[] = {isc_arg_gds, c.code, isc_arg_end};
        std::copy(std::begin(vector), std::end(vector), s.status);
        post_statement_status(&s);
        const DiagRecord* record = diag_record(&s, 1);
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->sqlstate, c.sqlstate);
        EXPECT_EQ(record->native_error, c.sqlcode);
        EXPECT_EQ(record->row_number, 4);
        EXPECT_GT(std::string(record->message_text).size(), 0u);
    }
    EXPECT_EQ(connection().connection_dead, 1);
    EXPECT_EQ(connection().reprompt, 0) << "only a connection failure asks for a new prompt";
}

TEST_F(Diagnostics, TextsThatDoNotFitAreSkippedNotCut)
{
    // Many long texts: the message never exceeds 511 bytes and ends with a
    // whole text.
    std::vector<ISC_STATUS> vector;
    for (int i = 0; i < 8; ++i) {
        vector.push_back(isc_arg_gds);
        vector.push_back(isc_login);
    }
    vector.push_back(isc_arg_end);
    StatusText text = interpret_status(vector.data());
    EXPECT_LT(text.message.size(), 512u);
    const std::string one = interpret_status(std::vector<ISC_STATUS>{isc_arg_gds, isc_login, isc_arg_end}.data()).message;
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(text.message.size() % (one.size() + 2), one.size()) << text.message;
}

}  // namespace
