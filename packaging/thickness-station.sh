#!/bin/sh
# Starts the thickness station in the user's data folder, where it keeps its configuration,
# calibration and pass files (created on first start). The program is found from where
# this launcher lies, so the package, an install to any prefix and an unpacked tree all work.
here=$(dirname "$(readlink -f "$0")")
program="$here/@STATION_LIBEXEC_FROM_BIN@/thickness-station"
data="${THICKNESS_STATION_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/thickness-station}"
mkdir -p "$data" || exit 1
cd "$data" || exit 1
exec "$program" "$@"
