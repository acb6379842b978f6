#include "setup_bridge.h"

#include <dlfcn.h>
#include <odbcinst.h>

#include <cstdio>
#include <memory>

#include "diagnostics.h"

namespace {

constexpr const char* installer_driver_name = "Tarnwell Firebird ODBC";

using CompleteInfoFn = int (*)(Connection*, SQLHWND);
using CompleteErrorFn = int (*)(Connection*, const char*, SQLHWND);

struct LibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

// The library is loaded for one call only and unloaded when it returns.
Library load_setup_library()
{
    char setup[512] = "";
    SQLGetPrivateProfileString(installer_driver_name, "Setup", "", setup, sizeof setup,
                               "odbcinst.ini");
    std::string directory = setup_library_directory(setup);
    if (!directory.empty()) {
        std::string path = directory + "/" + setup_library_name;
        if (void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return Library(library);
    }
    return Library(dlopen(setup_library_name, RTLD_NOW | RTLD_LOCAL));
}

void post_missing_library(Connection& connection)
{
    char message[256];
    std::snprintf(message, sizeof message, "Unable to load setup library (%s)", setup_library_name);
    post_error(&connection, "HY000", 0, message);
}

}  // namespace

std::string setup_library_directory(const std::string& setup_value)
{
    auto slash = setup_value.rfind('/');
    if (slash == std::string::npos) return {};
    return setup_value.substr(0, slash == 0 ? 1 : slash);
}

int complete_info_bridge(Connection& connection, SQLHWND window)
{
    Library library = load_setup_library();
    auto fn = library ? reinterpret_cast<CompleteInfoFn>(dlsym(library.get(), "complete_info")) : nullptr;
    if (fn == nullptr) {
        post_missing_library(connection);
        return 100;
    }
    int result = fn(&connection, window);
    // -1: the setup library could not show its dialog (no display).
    if (result == -1) post_error(&connection, "IM008");
    return result;
}

void complete_error_bridge(Connection& connection, const std::string& messages, SQLHWND window)
{
    Library library = load_setup_library();
    auto fn = library ? reinterpret_cast<CompleteErrorFn>(dlsym(library.get(), "complete_error")) : nullptr;
    if (fn == nullptr) {
        post_missing_library(connection);
        return;
    }
    fn(&connection, messages.c_str(), window);
}
