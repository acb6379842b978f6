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
// with room for the terminator. `capacity` and the lengths count characters
// of the output's width. Returns true when a piece was left out.
template <typename String>
bool compose_message(const String& tag1, const String& tag2, const String& message,
                     SQLLEN capacity, String& out)
{
    auto tags = static_cast<SQLLEN>(tag1.size() + tag2.size());
    out.clear();
    if (capacity < static_cast<SQLLEN>(tag1.size()) + 1) return true;
    out += tag1;
    if (capacity < tags + 1) return true;
    out += tag2;
    if (capacity < tags + 1 + static_cast<SQLLEN>(message.size())) return true;
    out += message;
    return false;
}

const DiagRecord* find_record(HandleHeader& handle, SQLSMALLINT number)
{
    return diag_record(&handle, std::abs(static_cast<int>(number)));
}

void store_state(const DiagRecord& record, SQLCHAR* state)
{
    if (state != nullptr) {
        std::memcpy(state, record.sqlstate, 5);
        state[5] = '\0';
    }
}

}  // namespace

static SQLRETURN get_diag_rec(HandleHeader& handle, SQLSMALLINT number, SQLCHAR* state,
                              SQLINTEGER* native, SQLCHAR* text, SQLSMALLINT buffer_length,
                              SQLSMALLINT* text_length)
{
    const DiagRecord* record = find_record(handle, number);
    if (record == nullptr) return SQL_NO_DATA;
    store_state(*record, state);
    if (native != nullptr) *native = record->native_error;
    std::string message = record->message_text;
    std::string out;
    bool cut = compose_message(std::string(vendor_tag), std::string(component_tag), message,
                               buffer_length, out);
    if (text != nullptr && !out.empty()) std::memcpy(text, out.c_str(), out.size() + 1);
    store_length(text_length, static_cast<SQLLEN>(message.size() + 20));
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

static SQLRETURN get_diag_rec_wide(HandleHeader& handle, SQLSMALLINT number, SQLWCHAR* state,
                                   SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT buffer_length,
                                   SQLSMALLINT* text_length)
{
    const DiagRecord* record = find_record(handle, number);
    if (record == nullptr) return SQL_NO_DATA;
    if (state != nullptr) {
        for (int i = 0; i < 5; ++i) state[i] = static_cast<unsigned char>(record->sqlstate[i]);
        state[5] = 0;
    }
    if (native != nullptr) *native = record->native_error;
    WideCodec codec = wide_codec(owning_connection(&handle));
    std::u16string message = wide_from_narrow(codec, record->message_text);
    std::u16string out;
    bool cut = compose_message(std::u16string(u"[Tarnwell]"), std::u16string(u"[Firebird]"), message,
                               buffer_length, out);
    if (text != nullptr && !out.empty()) {
        for (size_t i = 0; i < out.size(); ++i) text[i] = out[i];
        text[out.size()] = 0;
    }
    store_length(text_length, static_cast<SQLLEN>(message.size() + 20));
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

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
                                TextLengthPtr);
        },
        Diags::keep);
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                               SQLSMALLINT RecNumber, SQLWCHAR* SQLState,
                                               SQLINTEGER* NativeErrorPtr, SQLWCHAR* MessageText,
                                               SQLSMALLINT BufferLength, SQLSMALLINT* TextLengthPtr)
{
    return guarded_any(
        Handle,
        [&](HandleHeader& h) {
            return get_diag_rec_wide(h, RecNumber, SQLState, NativeErrorPtr, MessageText,
                                     BufferLength, TextLengthPtr);
        },
        Diags::keep);
}
