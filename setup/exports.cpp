// The setup library's entry points: the installer's ConfigDSN, ConfigDSN_I
// and ConfigDriver, and the driver's complete_info and complete_error; and
// the library's load and unload, which bind and release the Firebird client
// for the dialog's connection test.
#include <odbcinst.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "client_api.h"
#include "dialog_host.h"
#include "dsn_values.h"
#include "option_values.h"

#define BROLIXS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// odbcinst.h declares BOOL but not its two values.
constexpr BOOL installer_true = 1;
constexpr BOOL installer_false = 0;

constexpr const char* farewell = "Bye Bye from the Tarnwell Firebird ODBC Driver";

BOOL post_installer_error(DWORD code, const char* text)
{
    SQLPostInstallerError(code, text);
    return installer_false;
}

// Nothing may be thrown through the C interface: a failure becomes an
// installer error (or the given result for the driver's calls).
template <typename Body>
BOOL installer_guard(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return post_installer_error(ODBC_ERROR_OUT_OF_MEM, "Out of memory");
    } catch (...) {
        return post_installer_error(ODBC_ERROR_GENERAL_ERR, "General installer error");
    }
}

BOOL config_dsn(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes)
{
    const bool no_attributes = attributes == nullptr || attributes[0] == '\0';
    if ((request == ODBC_CONFIG_DSN || request == ODBC_REMOVE_DSN) && no_attributes)
        return post_installer_error(ODBC_ERROR_INVALID_NAME, "Invalid lpszAttributes");
    if (request != ODBC_ADD_DSN && request != ODBC_CONFIG_DSN && request != ODBC_REMOVE_DSN)
        return post_installer_error(ODBC_ERROR_INVALID_REQUEST_TYPE, "Invalid type of request");

    std::string name = attribute_dsn(attributes);
    if (request == ODBC_REMOVE_DSN) {
        if (name.empty())
            return post_installer_error(ODBC_ERROR_INVALID_NAME, "Invalid DSN specified to ODBC_REMOVE_DSN");
        if (SQLRemoveDSNFromIni(name.c_str())) return installer_true;
        repost_installer_errors();
        return installer_false;
    }

    const char* driver_name = driver != nullptr && driver[0] != '\0' ? driver : installer_driver_name;
    if (parent == nullptr) {
        // Scripts and package installers: the attribute list (with what the
        // data source already holds) is written as it stands.
        DsnValues values = load_dsn_values(attributes, read_dsn_key);
        normalise_for_form(values);
        return save_dsn_values(name, values, driver_name) ? installer_true : installer_false;
    }
    DialogRequest dialog;
    dialog.attributes = attributes;
    dialog.driver_name = driver_name;
    dialog.adding = request == ODBC_ADD_DSN;
    if (!run_dialog_host(dialog)) return post_installer_error(ODBC_ERROR_REQUEST_FAILED, "Dialog Failed");
    return installer_true;  // after OK and after Cancel alike
}

BOOL config_driver(WORD request, LPSTR message, WORD message_max, WORD* message_length)
{
    if (request != ODBC_INSTALL_DRIVER && request != ODBC_REMOVE_DRIVER)
        return post_installer_error(ODBC_ERROR_INVALID_REQUEST_TYPE, "Invalid type of request");
    const size_t length = std::strlen(farewell);
    if (message != nullptr && message_max > 0) {
        size_t n = length < message_max ? length : message_max - 1u;
        std::memcpy(message, farewell, n);
        message[n] = '\0';
    }
    if (message_length != nullptr) *message_length = static_cast<WORD>(length);
    return installer_true;
}

__attribute__((constructor)) void setup_library_loaded()
{
    bind_client_library();
}

__attribute__((destructor)) void setup_library_unloaded()
{
    unbind_client_library();
}

}  // namespace

BROLIXS_EXPORT BOOL ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes) noexcept
{
    return installer_guard([&] { return config_dsn(hwndParent, fRequest, lpszDriver, lpszAttributes); });
}

BROLIXS_EXPORT unsigned char ConfigDSN_I(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver,
                                         LPCSTR lpszAttributes) noexcept
{
    return ConfigDSN(hwndParent, fRequest, lpszDriver, lpszAttributes) ? 1 : 0;
}

BROLIXS_EXPORT BOOL ConfigDriver(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszArgs,
                                 LPSTR lpszMsg, WORD cbMsgMax, WORD* pcbMsgOut) noexcept
{
    return installer_guard([&] { return config_driver(fRequest, lpszMsg, cbMsgMax, pcbMsgOut); });
}

// 0 when the user confirmed (the Connection holds the new values), 100 when
// the user cancelled, -1 when no dialog could be shown (no display).
BROLIXS_EXPORT int complete_info(Connection* connection, SQLHWND window) noexcept
{
    try {
        if (connection == nullptr) return -1;
        std::string attributes = completion_attributes(*connection);
        DialogRequest dialog;
        dialog.attributes = attributes.c_str();
        dialog.driver_name = installer_driver_name;
        dialog.connection = connection;
        if (!run_dialog_host(dialog)) return -1;
        return dialog.result;
    } catch (...) {
        return -1;
    }
}

// Shows the driver's text; the result is the thread's last error number,
// which the driver does not use.
BROLIXS_EXPORT int complete_error(Connection* connection, const char* text, SQLHWND window) noexcept
{
    try {
        DialogRequest dialog;
        dialog.attributes = text;
        dialog.driver_name = installer_driver_name;
        dialog.message_mode = true;
        run_dialog_host(dialog);
    } catch (...) {
    }
    return errno;
}
