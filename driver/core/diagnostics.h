// Diagnostic records: raising them, clearing them, and turning the client
// library's status vectors into them.
#pragma once

#include <sql.h>

#include <stdexcept>
#include <string>

#include "handles.h"

// Class origins.
inline constexpr const char* origin_iso = "ISO 9075";
inline constexpr const char* origin_odbc3 = "ODBC 3.0";

// The fixed message paired with a SQLSTATE, or null for a SQLSTATE the driver
// does not raise.
const char* sqlstate_message(const char* sqlstate);

// The canonical (static) copy of a SQLSTATE text, or null when unknown.
const char* sqlstate_canonical(const char* sqlstate);

// The SQLSTATE for a server SQLCODE; HY000 for codes without a mapping.
const char* sqlstate_for_sqlcode(long sqlcode);

// Appends one record at the tail of the handle's list. The message is copied
// and cut to 511 bytes (never inside a UTF-8 sequence). A null handle or an
// exhausted allocation posts nothing.
void post_diag(HandleHeader* handle, const char* class_origin, int column_number,
               const char* connection_name, const char* message, int native_error,
               int row_number, const char* server_name, const char* sqlstate) noexcept;

// Posts a driver-raised diagnostic with the SQLSTATE's paired message (or the
// given one) and returns SQL_ERROR, for the common "post and fail" sites.
SQLRETURN post_error(HandleHeader* handle, const char* sqlstate, int native_error = 0,
                     const char* message = nullptr,
                     const char* class_origin = origin_iso) noexcept;

// Posts a warning and returns SQL_SUCCESS_WITH_INFO.
SQLRETURN post_warning(HandleHeader* handle, const char* sqlstate, int native_error = 0,
                       const char* message = nullptr,
                       const char* class_origin = origin_iso) noexcept;

// Frees every record of the handle.
void clear_diags(HandleHeader* handle) noexcept;

// Moves every record of `from` to the end of `to`'s list (reported where
// the application looks for it, e.g. a commit's failure on the statement
// that caused the commit).
void move_diags(HandleHeader& from, HandleHeader& to) noexcept;

// The record numbered from 1, or null.
const DiagRecord* diag_record(const HandleHeader* handle, int number) noexcept;

// Turns the connection's status vector into one diagnostic on the
// connection. SQLCODE -902 marks the connection dead and asks for a new
// prompt; -85 asks for a new prompt.
void post_connection_status(Connection* connection);

// The same for a statement's status vector; -902 marks its connection dead.
void post_statement_status(Statement* statement);

// Builds the message of a status vector: the client's texts joined by ", "
// while they fit 511 bytes, and the SQLCODE. Exposed for the tests.
struct StatusText {
    std::string message;
    long sqlcode = 0;
};
StatusText interpret_status(const ISC_STATUS* status);

// An error raised inside the driver that the export guard turns into a
// diagnostic on the handle of the call.
class DriverError : public std::runtime_error {
public:
    DriverError(const char* sqlstate, const std::string& message, int native_error = 0)
        : std::runtime_error(message), sqlstate_(sqlstate), native_error_(native_error)
    {
    }
    const char* sqlstate() const noexcept { return sqlstate_; }
    int native_error() const noexcept { return native_error_; }

private:
    const char* sqlstate_;
    int native_error_;
};
