#!/usr/bin/env bash
# Installs what the build, the tool and its tests need on Debian 12, skipping what is there.
# The steps and their fallbacks are in tools/install-lib.sh.
set -euo pipefail
source "$(dirname "$0")/install-lib.sh"
install_all "${install_packages[@]}"
