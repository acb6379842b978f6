// Allocation and release of the four kinds of handle, and the connection's
// lists of statements and descriptors.
#pragma once

#include <sql.h>

#include "handles.h"

// The bodies of the allocation and release exports: handle checks,
// clearing of diagnostics and exception handling included.
SQLRETURN alloc_handle_guarded(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output) noexcept;
SQLRETURN free_handle_guarded(SQLSMALLINT handle_type, SQLHANDLE handle) noexcept;

SQLRETURN allocate_handle(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output);
SQLRETURN free_handle(SQLSMALLINT handle_type, HandleHeader& handle);
SQLRETURN free_statement_option(Statement& statement, SQLUSMALLINT option);

SQLRETURN set_env_attr(Environment& env, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN get_env_attr(Environment& env, SQLINTEGER attribute, SQLPOINTER value);

// Whether closing a statement may run the CommitSelect commit of the main
// transaction. Disconnect frees its statements without it: what it rolls
// back (or failed to) is never committed behind its back.
enum class CommitOnClose { by_commit_select, never };

// Frees a statement with everything it owns and unlinks it.
void free_statement(Statement* statement, CommitOnClose commit = CommitOnClose::by_commit_select);

// Frees a descriptor (implicit or explicit) and unlinks it.
void free_descriptor(Descriptor* descriptor);

// Frees every statement and every remaining descriptor of a connection.
void free_connection_children(Connection& connection,
                              CommitOnClose commit = CommitOnClose::by_commit_select);

// Closes a statement's cursor (mode 0) or drops its server statement (mode 1).
SQLRETURN close_statement(Statement& statement, int mode,
                          CommitOnClose commit = CommitOnClose::by_commit_select);
