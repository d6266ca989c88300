#!/bin/sh
# Starts the thickness station in the user's data folder, where it keeps its configuration,
# calibration and pass files (created on first start).
data="${THICKNESS_STATION_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/thickness-station}"
mkdir -p "$data" || exit 1
cd "$data" || exit 1
exec @STATION_LIBEXEC@/thickness-station "$@"
