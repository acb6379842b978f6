// Name arguments of the wide catalog entry points, converted once to the
// connection's code page for the narrow body.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "catalog_args.h"
#include "text.h"

class WideName {
public:
    WideName(const WideCodec& codec, const SQLWCHAR* text, SQLSMALLINT length)
        : arg_(codec, text, length), length_(length)
    {
    }

    // False when the text cannot be converted to the connection's code
    // page. A negative length other than SQL_NTS is no failure: such an
    // argument gives no clause, as in the narrow form.
    bool ok() const noexcept { return arg_.ok() || negative_length(); }

    NameArg name() noexcept
    {
        if (arg_.is_null()) return {};
        if (negative_length()) return {"", length_};
        return {reinterpret_cast<const char*>(arg_.get()), arg_.length()};
    }

private:
    bool negative_length() const noexcept { return length_ < 0 && length_ != SQL_NTS; }

    NarrowArg arg_;
    SQLSMALLINT length_;
};
