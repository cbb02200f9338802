#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing; with
# --package also those that build and check the Debian package, with --windows those that
# cross-build the Windows programs and test them under Wine, with --lint the style checkers,
# with --browser the headless browser that checks the month-log chart.
# Without root it uses sudo; without sudo it prints the command to run as root.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev fonts-liberation)
for option in "$@"; do
    case "$option" in
    --package) packages+=(dpkg-dev file lintian desktop-file-utils appstream) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine64 xvfb wixl msitools) ;;
    --lint) packages+=(clang-format clang-tidy) ;;
    --browser) packages+=(chromium) ;;
    *)
        echo "Unknown option: $option (use --package, --windows, --lint and/or --browser)" >&2
        exit 2
        ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y --no-install-recommends "${missing[@]}")
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Run as root, then start again:" >&2
        echo "  apt-get update && ${install[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi
# The package tools' output goes to a log that is shown only when the installation fails.
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
echo "Installing ${#missing[@]} packages (log shown on failure): ${missing[*]}"
if ! { "${sudo[@]}" apt-get update -qq &&
       "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}" -qq; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "Installing the packages failed (output above)." >&2
    exit 1
fi
