#!/usr/bin/env bash
# The decisions of ./setup, taken against stand-in commands on PATH: which
# packages it installs, whether through sudo, and what it says when it cannot.
# The stand-ins record their calls; no package is installed or removed.
#   bash setup_test.sh SOURCE_DIR
set -u
setup="$1/setup"
bash=$(command -v bash)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# stubs INSTALLED UID SUDO APT [APT_FAILS]: a PATH of stand-ins. INSTALLED is
# the packages dpkg-query reports as installed; UID what id -u prints; SUDO
# and APT whether those commands exist.
stubs() {
  local installed=$1 uid=$2 sudo=$3 apt=$4 apt_fails=${5:-no}
  rm -rf "$work/bin" "$work/calls"
  mkdir -p "$work/bin"
  : >"$work/calls"
  cat >"$work/bin/dpkg-query" <<EOF
#!$bash
for p in $installed; do [ "\$p" = "\${@: -1}" ] && { printf installed; exit 0; }; done
exit 1
EOF
  printf '#!%s\necho %s\n' "$bash" "$uid" >"$work/bin/id"
  if [ "$apt" = yes ]; then
    local status=0
    [ "$apt_fails" = fails ] && status=100
    printf '#!%s\necho "apt-get $*" >>%s\nexit %s\n' "$bash" "$work/calls" "$status" \
      >"$work/bin/apt-get"
  fi
  if [ "$sudo" = yes ]; then
    printf '#!%s\necho -n "sudo " >>%s\nexec "$@"\n' "$bash" "$work/calls" >"$work/bin/sudo"
  fi
  chmod +x "$work/bin"/*
}

# run NAME EXPECTED_STATUS EXPECTED_CALLS EXPECTED_STDERR_PART [ARGS...]
run() {
  local name=$1 want_status=$2 want_calls=$3 want_err=$4
  shift 4
  local status=0
  PATH="$work/bin" "$bash" "$setup" "$@" >"$work/out" 2>"$work/err" || status=$?
  local calls
  calls=$(cat "$work/calls")
  local ok=1
  [ "$status" = "$want_status" ] || ok=0
  [ "$calls" = "$want_calls" ] || ok=0
  if [ -n "$want_err" ]; then grep -qF -- "$want_err" "$work/err" || ok=0; fi
  if [ "$ok" = 1 ]; then
    echo "ok: $name"
  else
    failures=$((failures + 1))
    echo "FAILED: $name"
    echo "  status $status, wanted $want_status"
    echo "  calls: [$calls]"
    echo "  wanted: [$want_calls]"
    echo "  stderr: $(cat "$work/err")"
    echo "  wanted in stderr: $want_err"
  fi
}

all="g++ cmake make libgtest-dev nlohmann-json3-dev pkgconf libcpp-httplib-dev"
tools="chromium man-db groff-base zsh neovim"

stubs "$all" 0 no yes
run "all present: nothing installed" 0 "" ""

stubs "$all $tools" 0 no yes
run "all present with the test tools: nothing installed" 0 "" "" --tests

stubs "g++ cmake make libgtest-dev" 0 no yes
run "root, one missing: only that one" 0 \
  "apt-get update -q
apt-get install -y -q nlohmann-json3-dev pkgconf libcpp-httplib-dev" ""

stubs "$all man-db" 0 no yes
run "root, test tools missing: installed by --tests" 0 \
  "apt-get update -q
apt-get install -y -q chromium groff-base zsh neovim" "" --tests

stubs "g++ cmake make libgtest-dev" 1000 yes yes
run "not root, sudo: through sudo" 0 \
  "sudo apt-get update -q
sudo apt-get install -y -q nlohmann-json3-dev pkgconf libcpp-httplib-dev" ""

stubs "g++ cmake make libgtest-dev" 1000 no yes
run "not root, no sudo: the command to run, failure" 1 "" \
  "apt-get install -y nlohmann-json3-dev pkgconf libcpp-httplib-dev"

stubs "$all" 1000 no yes
run "not root, no sudo, only test tools missing: tests skip, success" 0 "" \
  "apt-get install -y chromium man-db groff-base zsh neovim" --tests

stubs "" 0 no no
run "no apt-get: the packages listed" 0 "" \
  "build: g++ cmake make libgtest-dev nlohmann-json3-dev pkgconf libcpp-httplib-dev"

stubs "g++ cmake make" 0 no yes fails
run "apt-get fails: the packages listed, failure" 1 \
  "apt-get update -q" "apt-get install -y libgtest-dev nlohmann-json3-dev pkgconf libcpp-httplib-dev"

[ "$failures" = 0 ] || { echo "$failures case(s) failed"; exit 1; }
