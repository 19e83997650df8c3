#!/usr/bin/env bash
# Installs what the builds and their tests need on a Debian machine, as root.
# Idempotent: does nothing when every tool is already there.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have_cmd cmake || need+=(cmake)
have_cmd make || need+=(make)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
have_cmd i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
have_cmd x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
# The result counts of make test, the benchmark's table, the fuzz corpus.
have_cmd python3 || need+=(python3)
have_pkg g++-multilib || need+=(g++-multilib)
have_cmd clang || need+=(clang)
have_cmd clang++ || need+=(clang)
# libFuzzer and the sanitizer runtimes of clang, the i386 ones included.
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
# The MSVC import library (llvm-dlltool) and its checks (llvm-nm,
# llvm-readobj), and the MSVC-mode link of the link test (lld-link).
have_cmd llvm-dlltool || need+=(llvm)
have_cmd llvm-readobj || need+=(llvm)
have_cmd lld-link || need+=(lld)
have_cmd Xvfb || need+=(xvfb)
have_pkg googletest || need+=(googletest)
# Google Benchmark for the native benchmark (x86-64), and for the optional
# 32-bit Linux tree.
have_pkg libbenchmark-dev:amd64 || need+=(libbenchmark-dev:amd64)
have_pkg libbenchmark-dev:i386 || need+=(libbenchmark-dev:i386)
# Wine of both bitnesses: wine64 runs the x86-64 module everywhere; the
# 32-bit part runs the i686 module where the machine executes 32-bit code
# (it installs on any machine).
have_pkg wine64 || need+=(wine64)
have_pkg wine32:i386 || need+=(wine wine32:i386)
have_cmd wine || need+=(wine)
# Wine's own fonts: the dialogs' "MS Sans Serif" and the system font, so that
# dialogs measure and look under Wine as they do on Windows.
have_pkg fonts-wine || need+=(fonts-wine)
# Branch coverage of the native tests (make coverage).
have_cmd lcov || need+=(lcov)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing ${need[*]}; run as root (or install them) first" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
