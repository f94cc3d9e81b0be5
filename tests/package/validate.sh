#!/usr/bin/env bash
# validate.sh TOOL ARGS...: runs a validator, or skips (77) when it is not installed.
# The tool "man-warnings" formats a man page as lintian does and fails on any warning from groff.
set -uo pipefail
tool=$1
shift
if [ "$tool" = man-warnings ]; then
  if ! command -v man >/dev/null || ! command -v groff >/dev/null; then
    echo "man or groff is not installed"
    exit 77
  fi
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
  [ -z "$warnings" ] && exit 0
  echo "$warnings"
  exit 1
fi
if ! command -v "$tool" >/dev/null; then
  echo "$tool is not installed"
  exit 77
fi
exec "$tool" "$@"
