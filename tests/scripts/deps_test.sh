#!/usr/bin/env bash
# scripts/deps.sh run by an ordinary user on a machine without sudo: with packages missing it
# prints the exact command to run as root and fails; with nothing missing it succeeds quietly.
# The packages' state comes from a stand-in dpkg-query; the user is really unprivileged
# (nobody, through setpriv) when the test runs as root.
#
#   deps_test.sh SOURCE_FOLDER
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cp "$source_dir/scripts/deps.sh" "$work/"
# The only commands the script finds: no sudo among them.
mkdir "$work/bin"
for tool in bash grep id; do
    ln -s "$(command -v "$tool")" "$work/bin/$tool"
done
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    [ "$("${as_user[@]}" id -u)" -eq 65534 ] || fail "setpriv did not change the user"
fi

run() { # STATUS_LINE [ARGUMENT]: what the stand-in dpkg-query answers for every package
    printf '#!/bin/bash\necho -n "%s"\n' "$1" >"$work/bin/dpkg-query"
    chmod 755 "$work/bin/dpkg-query"
    status=0
    "${as_user[@]}" /usr/bin/env -i PATH="$work/bin" bash "$work/deps.sh" "${@:2}" \
        >"$work/out" 2>"$work/err" || status=$?
}

run "install ok installed"
[ $status -eq 0 ] || fail "nothing missing, yet status $status: $(cat "$work/err")"
[ ! -s "$work/out" ] && [ ! -s "$work/err" ] || fail "nothing missing, yet output"

# ARGUMENT|packages that must be listed|packages that must not
for case in "|cmake qt6-base-dev fonts-liberation|lintian" \
    "--package|cmake qt6-base-dev lintian desktop-file-utils dpkg-dev|wine64" \
    "--windows|cmake g++-mingw-w64-x86-64-posix googletest wine64 xvfb|lintian"; do
    IFS='|' read -r argument wanted unwanted <<<"$case"
    run "unknown ok not-installed" $argument
    [ $status -ne 0 ] || fail "missing packages without root, yet status 0"
    grep -q "command not found" "$work/err" &&
        fail "the script ran a missing command: $(cat "$work/err")"
    line="$(grep '^  apt-get ' "$work/err")" || fail "no apt-get line: $(cat "$work/err")"
    [[ "$line" =~ ^\ \ apt-get\ update\ \&\&\ apt-get\ install\ -y\ --no-install-recommends(\ [a-z0-9.+-]+)+$ ]] ||
        fail "not a command line: $line"
    for package in $wanted; do
        [[ " $line " == *" $package "* ]] || fail "$package not in: $line"
    done
    for package in $unwanted; do
        [[ " $line " != *" $package "* ]] || fail "$package in: $line"
    done
    echo "deps.sh $argument without root and sudo prints: $line"
done
