#!/bin/sh
# private-net.sh COMMAND...
#
# Runs COMMAND in a network namespace of its own with only a loopback interface, so a test
# that stops its lecture service and starts it again on the same port cannot lose that port
# to another test running in parallel. Where namespaces are not allowed it says so and runs
# on the shared loopback.
if [ -z "${TALVORA_PRIVATE_NET:-}" ]; then
    for how in "--net" "--map-root-user --net"; do
        # shellcheck disable=SC2086
        if unshare $how ip link set lo up 2>/dev/null; then
            # shellcheck disable=SC2086
            exec unshare $how env TALVORA_PRIVATE_NET=1 \
                sh -c 'ip link set lo up && exec "$@"' sh "$@"
        fi
    done
    echo "private-net.sh: no private network namespace here; using the shared loopback" >&2
fi
exec "$@"
