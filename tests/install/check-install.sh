#!/usr/bin/env bash
# Installs a build into a temporary root, as the package does (prefix /usr,
# DESTDIR), and checks what a user then meets: exactly the expected files, a
# valid desktop entry and metainfo, the icons in their sizes, man pages that
# render without warnings, a working bash completion and a program that runs.
#
#   check-install.sh BUILD_DIR SOURCE_DIR VERSION gui|cli
set -euo pipefail

build=$1
source=$2
version=$3
kind=$4

app_id=example.orrindale.Vexmoor
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr

# Every file, and nothing else: no test or benchmark program sneaks in.
expected=(
  bin/vexmoor-cli
  share/bash-completion/completions/vexmoor-cli
  share/doc/vexmoor/README.md
  share/doc/vexmoor/changelog.gz
  share/doc/vexmoor/copyright
  share/doc/vexmoor/docs/images/first-session.png
  share/doc/vexmoor/performance.md
  share/man/man1/vexmoor-cli.1.gz
)
if [[ $kind == gui ]]; then
  expected+=(
    bin/vexmoor
    share/applications/$app_id.desktop
    share/icons/hicolor/256x256/apps/$app_id.png
    share/icons/hicolor/48x48/apps/$app_id.png
    share/icons/hicolor/scalable/apps/$app_id.svg
    share/man/man1/vexmoor.1.gz
    share/metainfo/$app_id.metainfo.xml
  )
fi
installed=$(cd "$root" && find . -type f -printf '%P\n' | sort)
wanted=$(printf 'usr/%s\n' "${expected[@]}" | sort)
if [[ $installed != "$wanted" ]]; then
  fail "installed files differ from the expected list (< installed, > expected):"
  diff <(echo "$installed") <(echo "$wanted") >&2 || true
fi
for file in "${expected[@]}"; do
  [[ -s $usr/$file ]] || fail "$file is missing or empty"
done
for program in bin/vexmoor-cli $([[ $kind == gui ]] && echo bin/vexmoor); do
  [[ -x $usr/$program ]] || fail "$program is not executable"
done

# The programs run from where they were installed.
reported=$("$usr/bin/vexmoor-cli" --version) || fail "vexmoor-cli --version failed"
[[ $reported == "vexmoor-cli $version" ]] || fail "vexmoor-cli --version says '$reported', not version $version"

# Man pages: rendered without a warning, placeholders filled in.
for page in "$usr"/share/man/man1/*.1.gz; do
  name=$(basename "$page")
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l $name failed"
  [[ -z $warnings ]] || fail "man -l $name warns: $warnings"
  text=$(zcat "$page")
  grep -q '@[A-Z_]*@' <<<"$text" && fail "$name has an unfilled @PLACEHOLDER@"
  grep -q "^\.TH .*\"Vexmoor $version\"" <<<"$text" || fail "$name does not name version $version"
done
zcat "$usr/share/doc/vexmoor/changelog.gz" | head -1 | grep -q "^vexmoor ($version)" ||
  fail "the changelog does not start with version $version"

# The completion completes commands, and options by command.
completion=$usr/share/bash-completion/completions/vexmoor-cli
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion
           source "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
           COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _vexmoor_cli vexmoor-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
           echo "${COMPREPLY[*]}"' bash "$completion" "$@"
}
if [[ -r /usr/share/bash-completion/bash_completion ]]; then
  while IFS='|' read -r words reply; do
    read -ra line <<<"$words"
    [[ $words == *' ' ]] && line+=("")
    got=$(complete_words "${line[@]}")
    [[ $got == "$reply" ]] || fail "completing '$words' gives '$got', not '$reply'"
  done <<'EOF'
vexmoor-cli ta|tail
vexmoor-cli -c u/p@embedded pu|purge
vexmoor-cli --|--connect --help --version
vexmoor-cli tail --i|--interval
vexmoor-cli send --|--trace --pipe --help
vexmoor-cli exec -|-i --integer --help
vexmoor-cli tail --pipe |
EOF
else
  fail "bash-completion is not installed (scripts/install-deps installs it)"
fi

if [[ $kind == gui ]]; then
  desktop=$usr/share/applications/$app_id.desktop
  # Hints count too: the entry must pass without a word.
  if ! out=$(desktop-file-validate "$desktop" 2>&1) || [[ -n $out ]]; then
    fail "desktop-file-validate: $out"
  fi
  grep -qx 'Exec=vexmoor %f' "$desktop" || fail "the desktop entry does not run 'vexmoor %f'"
  grep -qx 'GenericName=PL/SQL Trace Console' "$desktop" || fail "the desktop entry lacks its generic name"
  grep -qx 'Categories=Development;Database;' "$desktop" || fail "the desktop entry lacks its categories"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [[ -s $usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "the desktop entry's icon '$icon' is not installed"

  metainfo=$usr/share/metainfo/$app_id.metainfo.xml
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo does not name release $version"

  # The scalable icon is the one the program's windows show.
  cmp -s "$usr/share/icons/hicolor/scalable/apps/$app_id.svg" "$source/res/images/vexmoor.svg" ||
    fail "the scalable icon is not the program's icon"
  for size in 48 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "$png is not a $size pixel PNG: $(file -b "$png")"
  done
fi

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree checked: ${#expected[@]} files"
