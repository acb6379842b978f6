#include <cstdlib>
#include <cstring>
#include <string>

#include "guard.h"
#include "text.h"

namespace {

constexpr std::string_view vendor_tag = "[Tarnwell]";
constexpr std::string_view component_tag = "[Firebird]";

// The message text as the application sees it: "[Tarnwell]", then
// "[Firebird]", then the message, each piece written only when it fits whole
// with room for the terminator. BufferLength and the lengths count
// characters of the output's width; the length reported is the whole
// message's. A piece left out gives SQL_SUCCESS_WITH_INFO.
SQLRETURN get_diag_rec(HandleHeader& handle, SQLSMALLINT number, SQLPOINTER state,
                       SQLINTEGER* native, SQLPOINTER text, SQLSMALLINT buffer_length,
                       SQLSMALLINT* text_length, TextForm form)
{
    const DiagRecord* record = diag_record(&handle, std::abs(static_cast<int>(number)));
    if (record == nullptr) return SQL_NO_DATA;
    SQLSMALLINT* no_length = nullptr;
    (void)TextOut(form, WideCodec{}, state, 6, no_length).write(std::string_view(record->sqlstate, 5));
    if (native != nullptr) *native = record->native_error;

    TextOut out(form, wide_codec(owning_connection(&handle)), text, buffer_length, text_length);
    const std::string& message = record->message_text;
    const auto tags = static_cast<SQLLEN>(vendor_tag.size() + component_tag.size());
    const SQLLEN full = tags + out.length_of(message);
    std::string shown;
    if (buffer_length >= static_cast<SQLLEN>(vendor_tag.size()) + 1) shown += vendor_tag;
    if (buffer_length >= tags + 1) shown += component_tag;
    if (buffer_length >= full + 1) shown += message;
    if (text != nullptr && !shown.empty()) (void)out.write(shown);  // fits whole by now
    out.store_length(full);
    return shown.size() < vendor_tag.size() + component_tag.size() + message.size() ? SQL_SUCCESS_WITH_INFO
                                                                                    : SQL_SUCCESS;
}

}  // namespace

// Reading diagnostics never clears them.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                              SQLSMALLINT RecNumber, SQLCHAR* SQLState,
                                              SQLINTEGER* NativeErrorPtr, SQLCHAR* MessageText,
                                              SQLSMALLINT BufferLength, SQLSMALLINT* TextLengthPtr)
{
    return guarded_any(
        Handle,
        [&](HandleHeader& h) {
            return get_diag_rec(h, RecNumber, SQLState, NativeErrorPtr, MessageText, BufferLength,
                                TextLengthPtr, TextForm::narrow);
        },
        Diags::keep);
}

// BufferLength and the length count characters.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                               SQLSMALLINT RecNumber, SQLWCHAR* SQLState,
                                               SQLINTEGER* NativeErrorPtr, SQLWCHAR* MessageText,
                                               SQLSMALLINT BufferLength, SQLSMALLINT* TextLengthPtr)
{
    return guarded_any(
        Handle,
        [&](HandleHeader& h) {
            return get_diag_rec(h, RecNumber, SQLState, NativeErrorPtr, MessageText, BufferLength,
                                TextLengthPtr, TextForm::wide_chars);
        },
        Diags::keep);
}
