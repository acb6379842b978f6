#include "guard.h"
#include "statement.h"
#include "text.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                                           SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        CountedText text(StatementText, TextLength);
        if (StatementText != nullptr && text.get() == nullptr) return post_error(&s, "HY090");
        s.catalog_kind = catalog_kind_prepared;
        return prepare_and_describe(s, text.view());
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLPrepareW(SQLHSTMT StatementHandle, SQLWCHAR* StatementText,
                                            SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        s.catalog_kind = catalog_kind_prepared;
        return prepare_and_describe_wide(s, StatementText, TextLength);
    });
}
