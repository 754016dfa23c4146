#!/usr/bin/env bash
# Installs the Debian packages Kelsim needs, when any is missing, by what they are needed for:
#   build  compiling the desktop program and kelsim-cli
#   run    what the programs use at run time beyond the libraries the build packages bring
#   test   the test suite (make test)
#   check  the sanitizer and fuzz builds (make check)
#   bench  the benchmarks (make bench)
# Usage: install-deps.sh [GROUP...]; without a group, build and run. Idempotent: a machine that
# has them all is left alone and nothing is fetched.
set -euo pipefail

declare -A groups=(
  # The compiler, CMake with Ninja, and the libraries the program links: Qt 6 (Core, Widgets,
  # PrintSupport, Xml, Concurrent, with moc and rcc) and libzip for the .docx documents.
  [build]="build-essential cmake ninja-build pkg-config qt6-base-dev libzip-dev"
  # The fonts the printouts name (a fixed-pitch and a serif family).
  [run]="fonts-liberation2"
  # GoogleTest; a virtual X server with xauth and xclip for the desktop clipboard's test;
  # pdftotext and pdffonts to read the printouts back.
  [test]="libgtest-dev xvfb xauth xclip poppler-utils"
  # clang with its sanitizer and libFuzzer runtimes, and clang-format for the layout of the code.
  [check]="clang libclang-rt-dev clang-format"
  [bench]="libbenchmark-dev"
)

wanted=("$@")
if [ ${#wanted[@]} -eq 0 ]; then
  wanted=(build run)
fi

packages=()
for group in "${wanted[@]}"; do
  if [ -z "${groups[$group]+x}" ]; then
    echo "install-deps.sh: no package group '$group' (build, run, test, check, bench)" >&2
    exit 2
  fi
  read -r -a list <<<"${groups[$group]}"
  packages+=("${list[@]}")
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
