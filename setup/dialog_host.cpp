#include "dialog_host.h"

#include <dlfcn.h>

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <string_view>

#include "setup_dialog.h"

namespace {

QApplication* owned_application = nullptr;

std::string_view environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

// Whether an X display can be opened, asked of libxcb (which Qt's xcb
// platform uses) without linking it.
bool x_display_opens()
{
    if (environment("DISPLAY").empty()) return false;
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (xcb == nullptr) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool opens = false;
    if (connect != nullptr && has_error != nullptr && disconnect != nullptr) {
        void* connection = connect(nullptr, nullptr);
        opens = connection != nullptr && has_error(connection) == 0;
        if (connection != nullptr) disconnect(connection);
    }
    dlclose(xcb);
    return opens;
}

bool platform_opens(std::string_view platform)
{
    if (auto colon = platform.find(':'); colon != std::string_view::npos) platform = platform.substr(0, colon);
    if (platform == "xcb") return x_display_opens();
    if (platform.starts_with("wayland")) return !environment("WAYLAND_DISPLAY").empty();
    // offscreen, minimal, vnc, linuxfb, eglfs...: no display server needed.
    return !platform.empty();
}

bool display_opens()
{
    std::string_view platforms = environment("QT_QPA_PLATFORM");
    if (platforms.empty()) return x_display_opens() || platform_opens("wayland");
    // Qt tries a ';'-separated list in order.
    while (!platforms.empty()) {
        size_t end = platforms.find(';');
        if (platform_opens(platforms.substr(0, end))) return true;
        platforms = end == std::string_view::npos ? std::string_view() : platforms.substr(end + 1);
    }
    return false;
}

// Once this library has made the process's QApplication it must stay loaded
// (with Qt) until the process ends, whoever unloads it.
void keep_library_loaded()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&keep_library_loaded), &info) != 0 && info.dli_fname != nullptr)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

QApplication* application()
{
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QApplication*>(existing);
    if (!display_opens()) return nullptr;
    static int argc = 1;
    static char name[] = "setup";
    static char* argv[] = {name, nullptr};
    keep_library_loaded();
    owned_application = new QApplication(argc, argv);
    return owned_application;
}

__attribute__((destructor)) void destroy_owned_application()
{
    delete owned_application;
    owned_application = nullptr;
}

}  // namespace

bool dialog_possible()
{
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QApplication*>(existing) != nullptr;
    return display_opens();
}

bool run_dialog_host(DialogRequest& request)
{
    if (application() == nullptr) return false;
    if (request.message_mode) {
        QMessageBox::information(nullptr, QString::fromStdString(request.driver_name),
                                 QString::fromUtf8(request.attributes != nullptr ? request.attributes : ""));
        return true;
    }
    Setup dialog(nullptr, "DSN Properties", request.connection);
    dialog.set_driver_name(request.driver_name);
    dialog.load(request.attributes);
    dialog.set_adding(request.adding);
    int code = dialog.exec();
    // Escape and the close box leave the dialog as Cancel does.
    request.result = code == QDialog::Accepted ? dialog.outcome() : 100;
    return true;
}
