#!/bin/sh
# Runs a client program that loads the driver through unixODBC. A driver
# built with the sanitizers needs their runtimes preloaded into programs not
# built here.
if [ -n "${BROLIX_TOOL_PRELOAD:-}" ]; then
    LD_PRELOAD="${BROLIX_TOOL_PRELOAD}"
    export LD_PRELOAD
fi
exec "$@"
