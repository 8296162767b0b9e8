# Sourced by tools/install-deps.sh (and by its test): the install steps as functions, so
# that sourcing runs nothing. Each step uses the commands apt-get, dpkg, dpkg-query, sudo
# and sleep by name, so a test can put fakes of them first on PATH.

# What the build, the tool and its tests need. Packages of the i386 architecture (":i386")
# and gcc-multilib are the 32-bit set; the rest is the 64-bit set, enough for the 64-bit
# build under 64-bit Wine.
install_packages=(
  g++-mingw-w64-i686 mingw-w64-tools cmake ninja-build clang llvm libclang-rt-14-dev googletest
  wine wine32:i386 xvfb xauth xdotool imagemagick x11-utils
  libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
  pulseaudio libpulse0:i386 libasound2-plugins:i386
  python3 procps file binutils-mingw-w64-i686
  libsdl2-2.0-0:i386 gcc-multilib
  # The 64-bit Wine and build, for machines that run no 32-bit programs (tools/wine-session.sh).
  wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  libsdl2-2.0-0 libgl1-mesa-dri libglx-mesa0 libgl1 libpulse0 libasound2-plugins
)

# The packages of the list that are not installed yet, one a line.
install_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# The 64-bit set of the list: without the i386 packages, and without wine32, which only
# exists as one.
install_64bit_set() {
  local p
  for p in "$@"; do
    case $p in
      *:i386) ;;
      *) echo "$p" ;;
    esac
  done
}

# The release's codename (bookworm), from os-release; empty when it names none.
install_codename() {
  local file=${INSTALL_OS_RELEASE:-/etc/os-release}
  [ -r "$file" ] || return 0
  (
    # shellcheck disable=SC1090
    . "$file"
    echo "${VERSION_CODENAME:-}"
  )
}

# Runs a command as root: directly when we are root, through sudo otherwise.
install_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get update, once more after a pause when an index could not be fetched (a mirror
# caught mid-sync). Returns apt's status of the last try; the install goes on either way,
# with the indexes that did come through.
install_update() {
  install_as_root apt-get update -q && return 0
  echo "install: a package index could not be fetched; trying once more in 10 s." >&2
  sleep 10
  install_as_root apt-get update -q
}

# apt-get install of the given packages; apt's messages go to the terminal and, for the
# final report, to $install_log.
install_apt() {
  install_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "$@" 2>&1 | tee -a "$install_log"
  return "${PIPESTATUS[0]}"
}

# Installs the missing packages of the list, falling back step by step:
#   1. as they come (after apt-get update);
#   2. pinned to the release's main suite, which gives both architectures the same versions
#      when a suite's index for one of them is missing or behind;
#   3. the 64-bit set alone, where no consistent 32-bit set can be had: the scripts then use
#      the 64-bit build, as on a machine that runs no 32-bit programs.
# Returns non-zero, having printed apt's reason, when nothing could be installed.
install_all() {
  local missing=() p
  while IFS= read -r p; do missing+=("$p"); done < <(install_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0

  install_log=$(mktemp /tmp/settings-install.XXXXXX)
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    install_as_root dpkg --add-architecture i386
  fi
  install_update || true

  if install_apt "${missing[@]}"; then
    rm -f "$install_log"
    return 0
  fi
  local codename
  codename=$(install_codename)
  if [ -n "$codename" ]; then
    echo "install: apt refused the packages as they come (an index missing or behind for one" \
      "architecture); installing them from the $codename suite itself, without the newer" \
      "versions of its updates." >&2
    if install_apt -t "$codename" "${missing[@]}"; then
      rm -f "$install_log"
      return 0
    fi
  fi
  local set64=()
  while IFS= read -r p; do set64+=("$p"); done < <(install_64bit_set "${missing[@]}")
  echo "install: no consistent set of 32-bit packages can be had here; installing the 64-bit" \
    "set alone: the tool and its tests then use the 64-bit build under 64-bit Wine." >&2
  if [ ${#set64[@]} -gt 0 ] && install_apt "${set64[@]}"; then
    rm -f "$install_log"
    return 0
  fi
  echo "install: the packages could not be installed. apt said:" >&2
  grep -E '^(E:|W:| [^ ].*: Depends)' "$install_log" | sort -u >&2 || true
  rm -f "$install_log"
  return 1
}
