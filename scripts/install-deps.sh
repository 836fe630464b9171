#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12. Idempotent and quiet when
# everything is already present; must run as root (or through sudo) when something is missing.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  libgtest-dev libgmock-dev
  libxml2-dev libcurl4-openssl-dev
  unixodbc-dev odbcinst tdsodbc libsqliteodbc
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  python3 openssl
  python3-zeep
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
