#!/usr/bin/env bash
# The options of vexmoor-cli as its --help names them, as its man page
# documents them (the tags of the OPTIONS and COMMANDS sections) and as the
# bash completion offers them must be one and the same list.
#
#   check-cli-options.sh VEXMOOR_CLI MAN_PAGE_SOURCE COMPLETION_FILE
set -euo pipefail

cli=$1
page=$2
completion=$3

# Words such as -c or --auto-unpack that stand on their own: not the tail of
# "built-in", not a lone "-" (standard input).
option_words() {
  grep -oE '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]//' | sort -u
}

from_help=$("$cli" --help | option_words)

# The line after each .TP in OPTIONS and COMMANDS, with troff's font escapes
# and escaped hyphens made plain.
from_man=$(awk '
  /^\.SH / { section = $2 }
  tag { print; tag = 0 }
  /^\.TP/ && (section == "OPTIONS" || section == "COMMANDS") { tag = 1 }
' "$page" | sed -E 's/\\f[BIRP]/ /g; s/\\-/-/g' | option_words)

# The words that compgen is given.
from_completion=$(grep -oE "(options=|-W )'[^']*'" "$completion" | sed -E "s/^[^']*'//; s/'$//" |
  tr ' ' '\n' | option_words)

status=0
compare() {
  if [[ $2 != "$from_help" ]]; then
    echo "FAIL: the options of $1 differ from those of vexmoor-cli --help (< --help, > $1):" >&2
    diff <(echo "$from_help") <(echo "$2") >&2 || true
    status=1
  fi
}
compare "the man page" "$from_man"
compare "the bash completion" "$from_completion"
[[ -n $from_help ]] || { echo "FAIL: --help names no option" >&2; status=1; }
((status == 0)) && echo "options agree:" $from_help
exit $status
