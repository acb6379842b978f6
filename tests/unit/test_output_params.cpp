// Output parameters receive the result row of an executed procedure; input
// parameters take no column.
#include <cstring>

#include "descriptor_records.h"
#include "fetch.h"
#include "statement.h"
#include "unit_support.h"

namespace {

// A statement whose executed procedure left a result row of two INTEGER
// columns, 7 and 9.
class OutputParams : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        if (HasFatalFailure()) return;
        statement = as_record<Statement>(alloc_statement());
        Statement& s = *statement;
        s.output_sqlda = allocate_sqlda(2);
        s.output_sqlda->sqld = 2;
        for (int i = 0; i < 2; ++i) {
            XSQLVAR& var = s.output_sqlda->sqlvar[i];
            var.sqltype = SQL_LONG + 1;
            var.sqllen = 4;
            var.sqldata = reinterpret_cast<ISC_SCHAR*>(&values[i]);
            var.sqlind = &nulls[i];
        }
        ASSERT_TRUE(grow_records(*s.ird, 2));
        s.ird->records[1].concise_type = s.ird->records[2].concise_type = SQL_INTEGER;
    }

    Statement* statement = nullptr;
    ISC_LONG values[2] = {7, 9};
    ISC_SHORT nulls[2] = {0, 0};
};

TEST_F(OutputParams, OutputParametersTakeTheResultColumnsInOrder)
{
    Statement& s = *statement;
    s.ipd->count = 3;

    // Parameter 1 is an input, 2 and 3 are outputs.
    ASSERT_TRUE(grow_records(*s.apd, 3));
    SQLINTEGER in = 1, out2 = 0, out3 = 0;
    SQLLEN ind2 = 0, ind3 = 0;
    DescRecord* r = s.apd->records;
    r[1] = DescRecord{};
    r[1].parameter_type = SQL_PARAM_INPUT;
    r[1].data_ptr = &in;
    r[2].parameter_type = SQL_PARAM_OUTPUT;
    r[2].concise_type = SQL_C_SLONG;
    r[2].data_ptr = &out2;
    r[2].indicator_ptr = &ind2;
    r[3].parameter_type = SQL_PARAM_INPUT_OUTPUT;
    r[3].concise_type = SQL_C_SLONG;
    r[3].data_ptr = &out3;
    r[3].indicator_ptr = &ind3;
    EXPECT_EQ(transfer_output_params(s), SQL_SUCCESS);
    EXPECT_EQ(out2, 7);
    EXPECT_EQ(out3, 9);
    EXPECT_EQ(ind3, 4);

    // A parameter with neither buffer nor indicator is not bound.
    r[3].data_ptr = nullptr;
    r[3].indicator_ptr = nullptr;
    EXPECT_EQ(transfer_output_params(s), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->message_text, "Parameter not bound");
}

TEST_F(OutputParams, ARecordWithoutADirectionIsAnInputAndTheReturnValueAnOutput)
{
    // {? = call P(?, ?)}: an application descriptor set up field by field
    // that never names a direction leaves SQL_DESC_PARAMETER_TYPE 0. Such a
    // record is an input (the value the application sent must stay as it
    // is); the return value, record 1, is an output all the same.
    Statement& s = *statement;
    s.ipd->count = 2;
    s.return_value_param = 1;

    ASSERT_TRUE(grow_records(*s.apd, 3));
    SQLINTEGER result = 0, in = 1, out = 0;
    DescRecord* r = s.apd->records;
    for (int i = 1; i <= 3; ++i) r[i].concise_type = SQL_C_SLONG;
    r[1].data_ptr = &result;
    r[2].data_ptr = &in;
    r[3].parameter_type = SQL_PARAM_OUTPUT;
    r[3].data_ptr = &out;
    EXPECT_EQ(transfer_output_params(s), SQL_SUCCESS);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(in, 1);
    EXPECT_EQ(out, 9);
}

}  // namespace
