// The bridge to the setup library: while SQLDriverConnect prompts, the
// driver loads libbrolixS.so, calls complete_info or complete_error with its
// own Connection record, and unloads the library again.
#pragma once

#include <sql.h>

#include <string>

#include "handles.h"

// The library the driver loads, and the wide variant whose path the
// installer's "Setup" value may name.
inline constexpr const char* setup_library_name = "libbrolixS.so";
inline constexpr const char* setup_library_wide_name = "libbrolixSW.so";

// Candidate paths for the setup library: the directory of the driver's
// "Setup" value in odbcinst.ini first, then the bare name.
std::string setup_library_directory(const std::string& setup_value);

// Calls complete_info(connection, window). Returns its result: 0 when the
// user confirmed, 100 when the user cancelled, -1 when no dialog could be
// shown (then IM008 "Dialog Failed" is posted on the connection); or 100 when
// the library or the export is missing (then an HY000 "Unable to load setup
// library (...)" diagnostic is posted).
int complete_info_bridge(Connection& connection, SQLHWND window);

// Calls complete_error(connection, messages, window); a missing library posts
// the same diagnostic.
void complete_error_bridge(Connection& connection, const std::string& messages, SQLHWND window);
