#include "connection_test.h"

#include <algorithm>

#include "client_api.h"

namespace {

void append_item(std::string& dpb, char item, const std::string& value)
{
    size_t n = std::min<size_t>(value.size(), 255);  // one length byte
    dpb += item;
    dpb += static_cast<char>(n);
    dpb.append(value, 0, n);
}

bool non_ascii(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

std::string connection_test_dpb(const ConnectionTestInput& input)
{
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    if (!input.user.empty()) {
        append_item(dpb, isc_dpb_user_name, input.user);
        append_item(dpb, isc_dpb_password, input.password);
    }
    if (!input.charset.empty()) append_item(dpb, isc_dpb_lc_ctype, input.charset);
    if (!input.role.empty()) append_item(dpb, isc_dpb_sql_role_name, input.role);
    // The dialog's texts are UTF-8; the client reads names in the process's
    // locale unless told so, as the driver's attach does.
    if (non_ascii(input.user) || non_ascii(input.password) || non_ascii(input.role) ||
        non_ascii(input.database)) {
        dpb += static_cast<char>(isc_dpb_utf8_filename);
        dpb += '\0';
    }
    return dpb;
}

ConnectionTestResult run_connection_test(const ConnectionTestInput& input)
{
    if (!client_bound() || !BROLIX_CLIENT_HAS(isc_attach_database))
        return {ConnectionTestOutcome::no_client, {}};
    std::string dpb = connection_test_dpb(input);
    ISC_STATUS status[status_vector_size] = {};
    isc_db_handle db = 0;
    client::isc_attach_database(status, static_cast<short>(input.database.size()), input.database.c_str(),
                                &db, static_cast<short>(dpb.size()), dpb.data());
    std::fill(dpb.begin(), dpb.end(), '\0');  // the password does not linger
    if (status_failed(status)) {
        std::string text;
        const ISC_STATUS* vector = status;
        char message[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        while (client::isc_interprete(message, const_cast<ISC_STATUS**>(&vector)) > 0) {
            if (!text.empty()) text += ' ';
            text += message;
        }
#pragma GCC diagnostic pop
        return {ConnectionTestOutcome::failed, text};
    }
    client::isc_detach_database(status, &db);
    return {ConnectionTestOutcome::connected, {}};
}
