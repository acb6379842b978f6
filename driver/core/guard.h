// The one guard every export runs through: it checks the handle's stamp,
// clears the handle's diagnostics, runs the body, and turns anything thrown
// inside the driver into a diagnostic, so that no exception crosses the C ABI.
//
// An export is one line:
//   SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT h, SQLUSMALLINT option)
//   {
//       return guarded<Statement>(h, [&](Statement& s) { return free_stmt(s, option); });
//   }
#pragma once

#include <sql.h>

#include <atomic>
#include <new>
#include <type_traits>

#include "diagnostics.h"
#include "handles.h"

#define BROLIX_EXPORT extern "C" __attribute__((visibility("default")))

template <typename Record>
constexpr uint32_t stamp_of()
{
    if constexpr (std::is_same_v<Record, Environment>) return stamp_environment;
    else if constexpr (std::is_same_v<Record, Connection>) return stamp_connection;
    else if constexpr (std::is_same_v<Record, Statement>) return stamp_statement;
    else if constexpr (std::is_same_v<Record, Descriptor>) return stamp_descriptor;
    else static_assert(!sizeof(Record), "not a handle record");
}

// The record behind a handle, or null when the handle is null or of another
// kind.
template <typename Record>
Record* handle_cast(SQLHANDLE handle) noexcept
{
    auto* header = static_cast<HandleHeader*>(handle);
    if (header == nullptr || header->handle_type != stamp_of<Record>()) return nullptr;
    return static_cast<Record*>(header);
}

// The header of a handle of any of the four kinds, or null.
inline HandleHeader* any_handle_cast(SQLHANDLE handle) noexcept
{
    auto* header = static_cast<HandleHeader*>(handle);
    if (header == nullptr) return nullptr;
    switch (header->handle_type) {
    case stamp_environment:
    case stamp_connection:
    case stamp_statement:
    case stamp_descriptor:
        return header;
    default:
        return nullptr;
    }
}

// Converts an exception escaping a body into a diagnostic on `handle`.
SQLRETURN report_exception(HandleHeader* handle) noexcept;

enum class Diags { clear, keep };

// Counts a call on a statement as in progress for as long as it lives, so
// that an SQLCancel from another thread knows not to free what the call
// uses. Nothing for the other kinds of handle.
template <typename Record>
class CallInProgress {
public:
    explicit CallInProgress(Record&) {}
};

// The statement's count of running calls, as an atomic.
inline std::atomic_ref<int32_t> calls_in_progress(Statement& statement)
{
    return std::atomic_ref<int32_t>(statement.calls_in_progress);
}

template <>
class CallInProgress<Statement> {
public:
    explicit CallInProgress(Statement& statement) : statement_(statement)
    {
        calls_in_progress(statement_).fetch_add(1, std::memory_order_acq_rel);
    }
    ~CallInProgress() { calls_in_progress(statement_).fetch_sub(1, std::memory_order_acq_rel); }
    CallInProgress(const CallInProgress&) = delete;
    CallInProgress& operator=(const CallInProgress&) = delete;

private:
    Statement& statement_;
};

// Runs body(record) for a handle of kind Record.
template <typename Record, typename Body>
SQLRETURN guarded(SQLHANDLE handle, Body&& body, Diags diags = Diags::clear) noexcept
{
    Record* record = handle_cast<Record>(handle);
    if (record == nullptr) return SQL_INVALID_HANDLE;
    CallInProgress<Record> call(*record);
    if (diags == Diags::clear) clear_diags(record);
    try {
        return body(*record);
    } catch (...) {
        return report_exception(record);
    }
}

// The guard of SQLCancel, the one call ODBC lets an application make on a
// statement while another of its calls runs on another thread. It neither
// counts as a call in progress nor clears the statement's diagnostics (the
// running call owns them); the body decides what it may touch.
template <typename Body>
SQLRETURN guarded_concurrent(SQLHANDLE handle, Body&& body) noexcept
{
    Statement* statement = handle_cast<Statement>(handle);
    if (statement == nullptr) return SQL_INVALID_HANDLE;
    try {
        return body(*statement);
    } catch (...) {
        // A diagnostic only where no other call may be writing them.
        if (calls_in_progress(*statement).load(std::memory_order_acquire) > 0) return SQL_ERROR;
        return report_exception(statement);
    }
}

// Runs body(header) for a handle of any kind.
template <typename Body>
SQLRETURN guarded_any(SQLHANDLE handle, Body&& body, Diags diags = Diags::clear) noexcept
{
    HandleHeader* header = any_handle_cast(handle);
    if (header == nullptr) return SQL_INVALID_HANDLE;
    if (diags == Diags::clear) clear_diags(header);
    try {
        return body(*header);
    } catch (...) {
        return report_exception(header);
    }
}

// The connection a handle belongs to (itself for a connection), or null.
Connection* owning_connection(HandleHeader* handle) noexcept;
